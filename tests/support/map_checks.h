// Structural checks of a .MAP file as brakt writes it: line ends, entity and
// brush blocks, key lines and plane lines. Used by the tests that convert
// whole levels (the Freedoom corpus, the bundled sample).
#pragma once

#include <string>
#include <vector>

struct MapCheckResult {
    std::vector<std::string> problems;    // one text per fault found, with its line number
    std::vector<int> open_brushes;        // first lines of brushes with fewer than four planes
    int entities = 0;                     // entity blocks
    int brushes = 0;                      // brush blocks
    int planes = 0;                       // plane lines
    std::vector<std::string> classnames;  // the "classname" of every entity, in file order

    bool ok() const { return problems.empty() && open_brushes.empty(); }
    // The problems and open brushes, one a line, for a failure message (at
    // most 20 of each).
    std::string Report() const;
};

// Checks the whole text of a .MAP file:
// - every line ends with CR LF; no lone CR or LF; the file ends with a line end;
// - entities are "{" ... "}" in column 1, brushes " {" ... " }" inside them,
//   nothing outside an entity, no block left open;
// - every key line reads ` "key"\t"value"` (no quote inside key or value, the
//   key not empty), and stands before the entity's first brush;
// - every entity has exactly one "classname";
// - every plane line reads `  ( x y z ) ( x y z ) ( x y z ) material xo yo 0 s t`
//   with integer coordinates and offsets and "%f" scales;
// - the three points of every plane are not collinear;
// - every brush has at least four planes (a brush of fewer cannot be closed);
//   such brushes are listed in `open_brushes`, apart from the other problems.
MapCheckResult CheckMapText(const std::string& text);
