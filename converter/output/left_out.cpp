// Names Doom 3's map reader can read, and the account of the brushes that are
// left out because Doom 3's compiler would throw them away.
#include <cstdint>
#include <cstdio>
#include <string>
#include <unordered_set>
#include <vector>

#include "converter/output/brush.h"
#include "converter/output/output.h"
#include "formats/doom3_names.h"
#include "formats/fatal.h"

namespace {

// Brushes of one sector or line left out since the last report.
struct LeftOutTally {
    BrushOwner owner;  // what the brushes stood for
    int32_t index;     // the sector or line
    int32_t count;     // brushes left out
    bool all_open;     // every one of them was open on a side
};

struct LeftOutReport {
    std::vector<LeftOutTally> pending;             // not yet reported, in order of first loss
    int32_t total;                                 // brushes left out in the whole run
    std::unordered_set<std::string> warned_names;  // material names already warned about
};

LeftOutReport report;

// The name with every character that cannot be shown as \xNN.
std::string Printable(const std::string& name) {
    std::string shown;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            shown += FormatText("\\x%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
        else
            shown += c;
    }
    return shown;
}

// What the brushes of an owner are called in a warning.
const char* OwnerNoun(BrushOwner owner) {
    switch (owner) {
        case BrushOwner::kSectorPieces:
            return "floor and ceiling pieces";
        case BrushOwner::kMover:
            return "mover brushes";
        case BrushOwner::kDamageTrigger:
            return "damage trigger brushes";
        case BrushOwner::kWall:
            return "wall brushes";
        case BrushOwner::kFiller:
            return "filler brushes";
        case BrushOwner::kSwitch:
            return "switch brushes";
        case BrushOwner::kBounds:
            break;
    }
    return "bounding brushes";
}

bool OwnedByLine(BrushOwner owner) {
    return owner == BrushOwner::kWall || owner == BrushOwner::kFiller ||
           owner == BrushOwner::kSwitch;
}

}  // namespace

void ResetLeftOutReport() {
    report.pending.clear();
    report.total = 0;
    report.warned_names.clear();
}

void MakeQuotable(std::string& name) {
    const std::string original = name;
    if (!ReplaceUnquotable(name)) return;
    if (report.warned_names.insert(original).second) {
        EndProgressLine();
        printf("WARNING: Material name '%s' holds a quote or control character; written as '%s'.\n",
               Printable(original).c_str(), name.c_str());
    }
}

void LeaveOutBrush(BrushOwner owner, int32_t index, BrushFault fault) {
    report.total++;
    LeftOutTally* tally = nullptr;
    for (LeftOutTally& t : report.pending)
        if (t.owner == owner && t.index == index) tally = &t;
    if (!tally) {
        report.pending.push_back({owner, index, 0, true});
        tally = &report.pending.back();
    }
    tally->count++;
    tally->all_open &= fault == BrushFault::kOpen;
}

void ReportLeftOutBrushes() {
    for (const LeftOutTally& t : report.pending) {
        EndProgressLine();
        if (t.owner == BrushOwner::kSectorPieces && t.all_open) {
            printf(
                "WARNING: Sector %i is not closed: %i of its floor and ceiling pieces %s left "
                "out.\n",
                t.index, t.count, t.count == 1 ? "is" : "are");
        } else if (t.owner == BrushOwner::kBounds) {
            printf("WARNING: %i of the bounding brushes enclose%s no space and %s left out.\n",
                   t.count, t.count == 1 ? "s" : "", t.count == 1 ? "is" : "are");
        } else {
            printf("WARNING: %s %i: %i of its %s enclose%s no space and %s left out.\n",
                   OwnedByLine(t.owner) ? "Line" : "Sector", t.index, t.count, OwnerNoun(t.owner),
                   t.count == 1 ? "s" : "", t.count == 1 ? "is" : "are");
        }
    }
    report.pending.clear();
}

int32_t LeftOutBrushCount() {
    return report.total;
}
