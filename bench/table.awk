# The benchmarks' table, for scripts/bench and scripts/bench-bridge:
#   awk -F'|' -v title=TEXT -f bench/table.awk ROWS...
# reads the "row|figure|value|floor|unit|goal[|ratio]" lines of bench/BenchSupport.h (other lines
# are passed over) and prints one row per figure, in the order figures first appear. A figure's lines
# from several rounds make one row: the median of its values, of its floors and of its ratios (the
# paired ratio where a line gives one, else value / floor). A floor of 0 is none. A goal "<=X" is met
# by a ratio of at most X; lower is better.
function show(x, unit) {
    if (unit == "us") return (x >= 1000 ? sprintf("%.2f ms", x / 1000) : sprintf("%.1f us", x))
    if (unit == "x") return sprintf("%.2fx", x)
    return sprintf("%.1f %s", x, unit)
}
function median(list,    values, n, i, j, swap) {
    n = split(list, values, " ")
    for (i = 2; i <= n; i++)
        for (j = i; j > 1 && values[j - 1] + 0 > values[j] + 0; j--) {
            swap = values[j]; values[j] = values[j - 1]; values[j - 1] = swap
        }
    return n % 2 ? values[(n + 1) / 2] : (values[n / 2] + values[n / 2 + 1]) / 2
}
$1 == "row" {
    if (!($2 in unit)) { order[++count] = $2; unit[$2] = $5; goal[$2] = $6 }
    value[$2] = value[$2] " " $3; floor[$2] = floor[$2] " " $4
    if ($7 != "") ratio[$2] = ratio[$2] " " $7
    else if ($4 + 0 > 0) ratio[$2] = ratio[$2] " " ($3 / $4)
}
END {
    line = "-------------------------------------------------------------------------------------------------------------------------------"
    printf "%-78s %10s %10s %6s %11s %8s\n", (title == "" ? "figure" : title), "median", "floor", "ratio", "goal", "met"
    print line
    for (i = 1; i <= count; i++) {
        f = order[i]; u = unit[f]; g = goal[f]
        v = median(value[f]); fl = median(floor[f])
        r = (f in ratio) ? median(ratio[f]) : 0
        met = "-"; goalText = "-"
        if (g ~ /^<=/) {
            limit = substr(g, 3) + 0; goalText = "<= " limit "x floor"
            # Without a ratio there is nothing to hold against the goal.
            if (r > 0) met = (r <= limit ? "met" : "NOT MET")
        }
        printf "%-78s %10s %10s %6s %11s %8s\n", f, show(v, u), (fl > 0 ? show(fl, u) : "-"),
               (r > 0 ? sprintf("%.2f", r) : "-"), goalText, met
    }
    print line
}
