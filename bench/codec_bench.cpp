// Throughput of the key="value" text form next to a floor that touches the same bytes once.
//
// Parse floor: one pass that finds every quote and whitespace byte of the text (the bytes where a
// parser must stop), 16 bytes at a time, as a vectorised strpbrk would. Format floor: one pass
// that finds the quotes of every value (memchr) and copies each key and value once into an output
// buffer made ready beforehand, which is the least a writer of the text form must do.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "client/KeyValueMap.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// ---- The texts ----

using Pairs = std::vector<std::pair<std::string, std::string>>;

// Twenty values as a delivery client keeps them in its settings key.
Pairs SettingsPairs()
{
    return {
        {"ApplicationPath", "\"C:\\Program Files\\Tolvane\\Delivery\\vxclient.exe\""},
        {"LoadRequestDir", "C:\\Users\\ann\\AppData\\Local\\Tolvane\\Requests"},
        {"LoadDeliveryDir", "C:\\Users\\ann\\Downloads"},
        {"ClientDataDir", "C:\\Users\\ann\\AppData\\Local\\Tolvane\\Data"},
        {"ClientVersion", "4.2.1187"},
        {"InstallDate", "2024-03-18 09:41:07"},
        {"ServerName", "delivery.tolvane.example"},
        {"ServerPort", "609"},
        {"HttpServerPort", "8080"},
        {"ProxyServer", "proxy.corp.example:3128"},
        {"UserName", "ann.example"},
        {"Language", "en-GB"},
        {"MaxParallelTransfers", "4"},
        {"RetryIntervalSeconds", "30"},
        {"LogLevel", "warning"},
        {"LogFile", "C:\\Users\\ann\\AppData\\Local\\Tolvane\\Data\\client.log"},
        {"LastCheck", "1718030400"},
        {"WindowPlacement", "120 80 900 640 normal"},
        {"Recipients.Recent", "bob@example.org:carol@example.org:dave@example.org"},
        {"Note", "Say \"hello\" = fine"},
    };
}

// The text form of the pairs, one entry a line, in their order.
std::string TextOf(const Pairs& pairs)
{
    std::string text;
    for (const auto& pair : pairs) text += pair.first + "=" + QuoteValue(pair.second) + "\n";
    return text;
}

// About 1 MiB of entries of settings size, each under its own key.
Pairs MebibyteOfEntries()
{
    const Pairs settings = SettingsPairs();
    Pairs pairs;
    std::size_t size = 0;
    for (int round = 0; size < (1u << 20); ++round) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%05d", round);
        for (const auto& entry : settings) {
            pairs.emplace_back(entry.first + suffix, entry.second);
            size += TextOf({pairs.back()}).size();
            if (size >= (1u << 20)) break;
        }
    }
    return pairs;
}

// One entry whose value is about 1 MiB: a long recipient list with blanks and a few quotes.
Pairs MebibyteValue()
{
    std::string value;
    value.reserve((1 << 20) + 64);
    for (int index = 0; value.size() < (1u << 20) - 64; ++index) {
        char piece[64];
        std::snprintf(piece, sizeof piece, index % 50 == 0 ? "\"Team %d\" <team%d@example.org>:" :
                                                             "user%d.name%d@mail.example.org:",
                      index, index);
        value += piece;
    }
    return {{"RECIPIENTS", value}};
}

struct Sample {
    const char* name;
    Pairs pairs;       // the entries in text order
    std::string text;
};

const std::vector<Sample>& Samples()
{
    static const std::vector<Sample> samples = [] {
        std::vector<Sample> made;
        // A request line as pages put it into a request file: bare and quoted values mixed.
        made.push_back({"request_line",
                        {{"NAME", "Quarterly report 2024.pdf"},
                         {"SERVERNAME", "files.example.net"},
                         {"TYPE", "RICH"},
                         {"SERVERPORT", "8443"},
                         {"SIZE", "1048576"},
                         {"CHECKSUM", "9f86d081884c7d659a2feaa0c55ad015"}},
                        "NAME=\"Quarterly report 2024.pdf\" SERVERNAME=files.example.net TYPE=RICH "
                        "SERVERPORT=8443 SIZE=1048576 CHECKSUM=\"9f86d081884c7d659a2feaa0c55ad015\""});
        made.push_back({"settings_20", SettingsPairs(), TextOf(SettingsPairs())});
        made.push_back({"mib_entries", MebibyteOfEntries(), {}});
        made.back().text = TextOf(made.back().pairs);
        made.push_back({"mib_value", MebibyteValue(), {}});
        made.back().text = TextOf(made.back().pairs);
        return made;
    }();
    return samples;
}

// ---- Floors ----

bool IsStopByte(unsigned char c) { return c == '"' || c == ' ' || (c >= '\t' && c <= '\r'); }

// Finds every quote and whitespace byte once; returns how many there are.
std::size_t ScanStopBytes(const char* position, const char* end)
{
    std::size_t stops = 0;
#if defined(__SSE2__)
    const __m128i limit = _mm_set1_epi8('"');
    while (end - position >= 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(position));
        unsigned bits = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(block, limit), block)));
        for (; bits != 0; bits &= bits - 1)
            stops += IsStopByte(static_cast<unsigned char>(position[__builtin_ctz(bits)]));
        position += 16;
    }
#endif
    for (; position != end; ++position) stops += IsStopByte(static_cast<unsigned char>(*position));
    return stops;
}

// The least a writer does: find each value's quotes, copy keys and values once.
std::size_t CopyWithQuotes(const CKeyValueMap& map, char* out)
{
    char* write = out;
    for (const auto& entry : map) {
        const std::string& value = entry.second;
        if (value.empty()) continue;
        std::memcpy(write, entry.first.data(), entry.first.size());
        write += entry.first.size();
        *write++ = '=';
        *write++ = '"';
        const char* position = value.data();
        const char* end = position + value.size();
        while (const void* found = std::memchr(position, '"', static_cast<std::size_t>(end - position))) {
            const char* quote = static_cast<const char*>(found);
            std::memcpy(write, position, static_cast<std::size_t>(quote - position) + 1);
            write += quote - position + 1;
            *write++ = '"';
            position = quote + 1;
        }
        std::memcpy(write, position, static_cast<std::size_t>(end - position));
        write += end - position;
        *write++ = '"';
        *write++ = '\n';
    }
    return static_cast<std::size_t>(write - out);
}

// ---- Benchmarks ----

// A fresh map per parse, as every request and every settings value gets.
void Parse(benchmark::State& state, const Sample* sample)
{
    const std::string* text = &sample->text;
    for (auto _ : state) {
        CKeyValueMap map;
        map.ParseText(*text);
        benchmark::DoNotOptimize(map.GetCount());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text->size()));
}

void ParseFloor(benchmark::State& state, const Sample* sample)
{
    const std::string* text = &sample->text;
    for (auto _ : state) {
        std::size_t stops = ScanStopBytes(text->data(), text->data() + text->size());
        benchmark::DoNotOptimize(stops);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text->size()));
}

// Only the map of the parse: the same entries, already split, stored into a fresh map in text order.
// Parse time less this is what reading the text costs.
void MapBuild(benchmark::State& state, const Sample* sample)
{
    for (auto _ : state) {
        CKeyValueMap map;
        for (const auto& pair : sample->pairs) map.SetAt(pair.first, pair.second);
        benchmark::DoNotOptimize(map.GetCount());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(sample->text.size()));
}

void Format(benchmark::State& state, const Sample* sample)
{
    const std::string* text = &sample->text;
    CKeyValueMap map;
    map.ParseText(*text);
    std::size_t size = 0;
    for (auto _ : state) {
        std::string formatted = map.FormatText("\n");
        size = formatted.size();
        benchmark::DoNotOptimize(formatted.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
}

void FormatFloor(benchmark::State& state, const Sample* sample)
{
    const std::string* text = &sample->text;
    CKeyValueMap map;
    map.ParseText(*text);
    std::vector<char> out(map.FormatText("\n").size() + 16);
    std::size_t size = 0;
    for (auto _ : state) {
        size = CopyWithQuotes(map, out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
}

// Registered by name so that each figure sits next to its floor: Parse/<text>, ParseFloor/<text>.
void RegisterAll()
{
    for (const Sample& sample : Samples()) {
        const std::string name = sample.name;
        benchmark::RegisterBenchmark(("Parse/" + name).c_str(), Parse, &sample);
        benchmark::RegisterBenchmark(("ParseFloor/" + name).c_str(), ParseFloor, &sample);
        benchmark::RegisterBenchmark(("MapBuild/" + name).c_str(), MapBuild, &sample);
        benchmark::RegisterBenchmark(("Format/" + name).c_str(), Format, &sample);
        benchmark::RegisterBenchmark(("FormatFloor/" + name).c_str(), FormatFloor, &sample);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    // Every text must round-trip, or the figures would measure an error path.
    for (const Sample& sample : Samples()) {
        CKeyValueMap parsed;
        parsed.ParseText(sample.text);
        CKeyValueMap again;
        again.ParseText(parsed.FormatText("\n"));
        CKeyValueMap expected;
        for (const auto& pair : sample.pairs) expected.SetAt(pair.first, pair.second);
        if (parsed.GetCount() == 0 || !std::equal(parsed.begin(), parsed.end(), expected.begin(), expected.end()) ||
            !std::equal(again.begin(), again.end(), expected.begin(), expected.end())) {
            std::fprintf(stderr, "text %s does not round-trip\n", sample.name);
            return 1;
        }
    }
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
