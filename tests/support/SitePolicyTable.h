// The rows of support/site-policy-table.txt, the site policy's rules as the C++ tests and the
// extension's rules test share them; compiled in, so that no test reads a file at run time.
#pragma once

#include <string>
#include <vector>

struct SitePolicyTableRow {
    int line = 0;                     // in the file, for the failure messages
    std::vector<std::string> fields;  // after the kind, escapes resolved
};

// The rows of one kind ("pattern", "origin", "match", "decide"), in the file's order; throws when
// there are none.
std::vector<SitePolicyTableRow> SitePolicyTableRows(const std::string& kind);

// The patterns of a list field, which separates them by blanks.
std::vector<std::string> SitePolicyTableList(const std::string& field);
