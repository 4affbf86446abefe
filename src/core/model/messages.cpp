#include "model/messages.hpp"

#include <algorithm>
#include <iterator>

#include "platform/reporter.hpp"

namespace kova {
namespace {

struct MessageEntry {
    int index;
    std::string_view text;
};

// The whole table, sorted by index so that a lookup is a binary search over static
// data. Texts are exact: trailing spaces are there because callers append a name, a
// number or a unit; double spaces and odd spellings are part of the program's wording.
// Library slots 501..660 that are absent here hold kUnlistedLibraryEntry.
// clang-format off
constexpr MessageEntry kMessageTable[] = {
    {1, "A problem may have at most 20000 nodes.  This action would exceed that limit."},
    {2, "Insufficient memory available to complete this operation."},
    {3, "Clipboard is empty"},
    {4, "Present configuration allows a maximum of 52 separate frames. "},
    {5, "Insufficient memory is available to do the calculations."},
    {6, "Your problem has produced a singular matrix.  Check your problem definition."},
    {7, "It appears that your solution is becoming unstable.  Try reducing the timestep."},
    {8, "There is not enough memory to complete this operation.  Increase the allowable program size with the Get Info command in the Finder."},
    {9, "A numerical error has resulted.  The problem may be improperly described. "},
    {10, "10"},
    {12, "This file is locked and cannot be overwritten.   You may save the file with a different name or on a different disk. "},
    {13, "An unexpected input/output error has occurred.  The error code number is "},
    {14, "These changes to the Scale and/or Origin will cause part or all of the drawing to move off the screen (not recommended)."},
    {16, "The disk is filled!  The Save process was not completed."},
    {17, "17"},
    {18, " "},
    {19, "Mesh reduction can only be applied after the materials are discretized into triangular elements.  "},
    {20, "20"},
    {21, "Mesh reduction will cause the maximum number of nodes to be exceeded and therefore cannot be applied."},
    {22, "Mesh reduction will cause the maximum number of elements to be exceeded and therefore cannot be applied."},
    {23, "23"},
    {24, "24"},
    {25, "Unmatched parentheses."},
    {26, "Illegal character in equation: "},
    {27, "Equation too complex."},
    {28, "Missing operator or illegal character in equation "},
    {29, "Illegal expression "},
    {30, "30"},
    {31, "Division by zero."},
    {32, "Attempt to raise a negative number to a non-integer power."},
    {33, "Log of a negative number."},
    {34, "Square root of a negative number."},
    {35, "Missing operator in equation."},
    {36, "Equations must be <128 characters."},
    {37, "37"},
    {38, "38"},
    {39, "39"},
    {40, "40"},
    {41, "KOVA has a limit of 1000 unique boundary specifications.  You've just hit that limit!"},
    {42, "Unit conversion was made for all constant value specifications, but not for specifications made with equations.  Check your specifications.   "},
    {43, "43"},
    {44, "This specification can not be a function of "},
    {45, "A numerical error has resulted while evaluating:  "},
    {46, "The algorithm which minimizes the bandwidth has failed.  Outlines must be touch one another at one or more points. "},
    {47, "Density can only be a function of position."},
    {48, "Convergence not attained.  The Calculate command will continue the iteration process.  You may wish to reset guess values."},
    {49, "Choose one or more nodes (for nodal balances) or boundary lines (for heat flows) before selecting the Energy Flow vs Time command. "},
    {50, "Choose one or more boundary lines before selecting the Energy Flow vs Time command."},
    {51, "Calculations terminated by user.  Output is available for the last completed iteration. "},
    {52, "Click to locate the upper left corner of the zoom rectangle."},
    {53, "Click to locate the lower right corner of the zoom rectangle."},
    {54, "Hold the mouse button down on a node while dragging it to a new location."},
    {55, ""},
    {56, ""},
    {57, ""},
    {58, ""},
    {59, ""},
    {60, ""},
    {61, "Hold the Shift or Ctrl key down to lock X or Y, respectively."},
    {62, "Click on corner.  Hold the Shift or Ctrl key down to lock X or Y, respectively."},
    {63, "Click on starting point of material.  Press ESC to escape."},
    {64, "Click on line endpoint.  Press ESC to escape.  Hold Shift or Ctrl down to lock X or Y"},
    {65, "Click on node or line; Click elsewhere or press ESC to escape."},
    {66, "Hold button to stop screen.  Press the ESC key to quit."},
    {67, "Click button on the menu item for explanation."},
    {68, "Calculations in progress..."},
    {69, "Checking problem definition."},
    {70, "Enter new text.  Click or press the Return key to terminate."},
    {71, "Click on starting point of new text or on existing text."},
    {72, "Hold button to reposition or select Delete to remove text."},
    {73, "Properties may be entered as a function of "},
    {74, ""},
    {75, ""},
    {76, ""},
    {77, ""},
    {78, ""},
    {79, ""},
    {80, ""},
    {81, "Click to see ["},
    {82, "at cursor."},
    {83, "Select (1 or more) connected boundaries."},
    {84, "Click to see "},
    {85, "Click to see flux"},
    {86, "Click to stop"},
    {87, "Save Tabular Output as:"},
    {88, "Initializing matrices . . ."},
    {89, "Minimizing bandwidth . . ."},
    {90, ""},
    {91, ""},
    {92, ""},
    {93, ""},
    {94, ""},
    {95, ""},
    {96, ""},
    {97, ""},
    {98, ""},
    {99, ""},
    {100, ""},
    {101, "The new node position is invalid.  "},
    {102, "Illegal entry."},
    {103, "Value must be > "},
    {104, "Value must be greater or equal to "},
    {105, "Value must be >= "},
    {106, "Value must be less than "},
    {107, "Value must be between "},
    {108, "Click on property name at left."},
    {109, "."},
    {110, "No errors found."},
    {111, "Boxes identify lines forming non-triangular elements."},
    {112, "Flashing material has undefined properties."},
    {113, "Boxes identify lines for which the boundary condition is unspecified."},
    {114, "This boundary cannot be convective."},
    {115, "There in not sufficient memory to for a new line."},
    {116, "Boxes identify nodes having undefined initial "},
    {117, "This boundary cannot have non-zero flux."},
    {118, "Storage size exceeded: Reduce Stop or increase Step."},
    {119, "This boundary cannot be specified temp."},
    {120, "This boundary cannot be specified voltage."},
    {121, "1"},
    {122, "2"},
    {123, "This problem was solved with a bandwidth of "},
    {124, "Specified nodal temperatures "},
    {125, "Element data"},
    {126, "Convection boundaries"},
    {127, "Specified heat-flux boundaries"},
    {128, "Material properties"},
    {129, "Lump data"},
    {130, "Specified current boundaries"},
    {131, "Specified charge boundaries"},
    {132, "Specified flux boundaries"},
    {133, "Error in writing file.  The disk may be filled or write-protected."},
    {134, "The endpoint must be in the same outline and not cross other lines"},
    {135, "The number of undetermined node potentials is < 1.  The problem is over-specified since all node potentials are known."},
    {136, "The number of undetermined node potentials is < 1.  All node potentials have been specified for all time, in addition to their initial values."},
    {137, "There are too many nodes connected to a lump.  Sorry..."},

    // Material libraries, twenty slots per subject in ProbTypeA order.
    // Heat Transfer
    {501, "Air|15|15| 2.599e-2|1.177|1006|0.0"},
    {502, "Water|14|14|0.6040|997.4|4179|0.0"},
    {503, "Oak Wood|3|3|0.1660|540.0|2400|0.0"},
    {504, "Building Brick|1|1|0.6900|1600|839.9|0.0"},
    {505, "Fiber Glass|13|13| 3.500e-2|10.00|700.0|0.0"},
    {506, "Window Glass|7|7|0.7800|2701|880.1|0.0"},
    {507, "Plaster|8|8|0.4799|1440|839.9|0.0"},
    {508, "Aluminum|7|7|204.0|2707|896.0|0.0"},
    {509, "Copper|9|9|385.9|8954|383.1|0.0"},
    {510, "Silver|7|7|429.0|10500|235.0|0.0"},
    {511, "Steel|8|8 |60.5|7854|434|0"},
    {512, "Soil|1|1|0.52|2050|1840|0"},
    {513, "Concrete|8|8|1.4|2300|880|0"},
    {514, "Sand|11|11|0.27|1515|800|0"},
    {515, "Clay|5|5|1.3|1460|880|0"},
    // Electric Currents
    {521, "Silver|20|20| 6.170e+7|1.0000|0.0|0.0"},
    {522, "Copper|20|20| 5.800e+7|1.0000|0.0|0.0"},
    {523, "Aluminum|35|35| 3.540e+7|1.0000|0.0|0.0"},
    {524, "Brass|12|12| 1.570e+7|1.0000|0.0|0.0"},
    {525, "Nichrome|23|23| 1.000e+6|1.0000|0.0|0.0"},
    {526, "Graphite|21|21|70000|1.0000|0.0|0.0"},
    {527, "Silicon|29|29|1200|1.0000| 1.062e-10|0.0"},
    {528, "Glass|35|35| 1.000e-12|1.0000| 3.540e-11|0.0"},
    {529, "Rubber|16|16| 1.000e-15|1.0000| 2.655e-11|0.0"},
    {530, "Quartz (fused)|27|27| 1.000e-17|1.0000| 3.345e-11|0.0"},
    // Electrostatics
    {541, "Air|20|20| 8.858e-12|1.0000|0.0|0.0"},
    {542, "Polystyrene|20|20| 2.302e-11|1.0000|0.0|0.0"},
    {543, "Rubber|35|35| 2.745e-11|1.0000|0.0|0.0"},
    {544, "Plexiglass|12|12| 3.010e-11|1.0000|0.0|0.0"},
    {545, "Bakelite|23|23| 4.427e-11|1.0000|0.0|0.0"},
    {546, "Porcelain|21|21| 5.047e-11|1.0000|0.0|0.0"},
    {547, "Mica|29|29| 5.312e-11|1.0000|0.0|0.0"},
    {548, "Glass|35|35| 6.198e-11|1.0000|0.0|0.0"},
    {549, "Silicon|16|16| 1.045e-10|1.0000|0.0|0.0"},
    {550, "Germanium|27|27| 1.417e-10|1.0000|0.0|0.0"},
    // Magnetostatics
    {561, "Nickel|20|20| 3.142e-4|1.0000|0.0|0.0"},
    {562, "Cobalt|20|20| 7.540e-4|1.0000|0.0|0.0"},
    {563, "Ferrite|35|35| 1.257e-3|1.0000|0.0|0.0"},
    {564, "Xfmr iron|12|12| 3.770e-3|1.0000|0.0|0.0"},
    {565, "Silicon iron|23|23| 4.398e-3|1.0000|0.0|0.0"},
    {566, "Iron (pure)|21|21| 5.027e-3|1.0000|0.0|0.0"},
    {567, "Mumetal|29|29| 2.513e-2|1.0000|0.0|0.0"},
    {568, "Supermalloy|35|35|0.1257|1.0000|0.0|0.0"},
    {569, "Copper|16|16| 1.257e-6|1.0000|0.0|0.0"},
    {570, "Aluminum|27|27| 1.257e-6|1.0000|0.0|0.0"},
    // Bio-Heat Transfer
    {581, "Fat|11|11|0.2100|850.0|3800|300.0"},
    {582, "Muscle (Vitro)|5|5|0.4100|1080|3800|500.0"},
    {583, "Muscle (Vivo)|6|6|0.7000|1080|4990|500.0"},
    {584, "Feces |1|1|0.7800|1000|4000| 1.000e-2"},
    {585, "Skin (Vitro)|13|13|0.3400|1000|3800|400.0"},
    {586, "Bone |15|15|1.720|1920|2200|200.0"},
    {587, "Kidney|2|2|1.200|1020|3000|800.0"},
    {588, "Liver|1|1|1.200|1020|3000|800.0"},
    {589, "Tumor|10|10|0.5000|1200|3800|200.0"},
    {590, "Phantom (HF)|6|6|0.5200|1065|3810| 1.000e-2"},
    // Potential Flow
    {601, "Air|7|7|1.0000|1.0000|0.0|0.0"},
    {602, "Water|14|14|1.0000|1000|0.0|0.0"},
    {603, "not specified|35|35|1.0000|1.0000|0.0|0.0"},
    {604, "not specified|12|12|1.0000|1.0000|0.0|0.0"},
    {605, "not specified|23|23|1.0000|1.0000|0.0|0.0"},
    {606, "not specified|21|21|1.0000|1.0000|0.0|0.0"},
    {607, "not specified|29|29|1.0000|1.0000|0.0|0.0"},
    {608, "not specified|35|35|1.0000|1.0000|0.0|0.0"},
    {609, "not specified|16|16|1.0000|1.0000|0.0|0.0"},
    {610, "not specified|27|27|1.0000|1.0000|0.0|0.0"},
    // Porous Media Flow
    {621, "Rock, sound|23|23| 5.000e-12|1.0000| 3.300e-6|0.0"},
    {622, "Rock, jointed|12|12| 5.000e-8|1.0000| 3.300e-5|0.0"},
    {623, "Sandy Gravel|9|9| 5.000e-3|1.0000| 7.500e-5|0.0"},
    {624, "Dense Sand|10|10| 1.000e-4|1.0000| 1.600e-4|0.0"},
    {625, "Loose Sand|23|23| 3.000e-4|1.0000| 7.500e-4|0.0"},
    {626, "Silt|33|33| 1.000e-6|1.0000| 9.500e-4|0.0"},
    {627, " Medium Clay|28|28| 5.000e-8|1.0000| 1.100e-3|0.0"},
    {628, " Plastic Clay|26|26| 5.000e-9|1.0000| 3.300e-4|0.0"},
    {629, " Stiff Clay|7|7| 5.000e-10|1.0000| 1.600e-3|0.0"},
    {630, " Peat|14|14| 5.000e-5|1.0000| 5.000e-4|0.0"},
    // Extended Surfaces: the Heat Transfer library with its own Silver colour and Steel conductivity
    {641, "Air|15|15| 2.599e-2|1.177|1006|0.0"},
    {642, "Water|14|14|0.6040|997.4|4179|0.0"},
    {643, "Oak Wood|3|3|0.1660|540.0|2400|0.0"},
    {644, "Building Brick|1|1|0.6900|1600|839.9|0.0"},
    {645, "Fiber Glass|13|13| 3.500e-2|10.00|700.0|0.0"},
    {646, "Window Glass|7|7|0.7800|2701|880.1|0.0"},
    {647, "Plaster|8|8|0.4799|1440|839.9|0.0"},
    {648, "Aluminum|7|7|204.0|2707|896.0|0.0"},
    {649, "Copper|9|9|385.9|8954|383.1|0.0"},
    {650, "Silver|7|77|429.0|10500|235.0|0.0"},
    {651, "Steel|8|8 |0.52|7854|434|0"},
    {652, "Soil|1|1|0.52|2050|1840|0"},
    {653, "Concrete|8|8|1.4|2300|880|0"},
    {654, "Sand|11|11|0.27|1515|800|0"},
    {655, "Clay|5|5|1.3|1460|880|0"},
};
// clang-format on

// Message 1 spells out the node limit.
static_assert(kNodeLimit == 20000, "message 1 names the node limit; update its text");

static_assert(std::is_sorted(std::begin(kMessageTable), std::end(kMessageTable),
                             [](const MessageEntry& a, const MessageEntry& b) {
                                 return a.index <= b.index;
                             }),
              "the message table must be sorted by index without duplicates");

constexpr bool AllTextsFit() {
    for (const MessageEntry& e : kMessageTable) {
        if (e.text.size() > kMaxMessageLength) return false;
    }
    return true;
}
static_assert(AllTextsFit(), "a message text is longer than the table allows");

constexpr bool IsLibraryIndex(long long index) {
    return index >= kLibraryFirstIndex && index <= kLibraryLastIndex;
}

}  // namespace

long long MessageIndex(int category, int n) {
    const long long number = n;
    switch (category) {
        case kMsgLibrary:
            return 500 + number;
        case kMsgPrompt:
            return 60 + number;
        case kMsgError:
            return number;
        case kMsgSelection:
            return 80 + number;
        case kMsgCheck:
            return 100 + number;
        case kMsgSummary:
            return 120 + number;
        default:
            return number;
    }
}

std::optional<std::string_view> FindMessage(long long index) {
    const auto* it =
        std::lower_bound(std::begin(kMessageTable), std::end(kMessageTable), index,
                         [](const MessageEntry& e, long long wanted) { return e.index < wanted; });
    if (it != std::end(kMessageTable) && it->index == index) return it->text;
    if (IsLibraryIndex(index)) return kUnlistedLibraryEntry;
    return std::nullopt;
}

std::string GetMessage(int category, int n) {
    const long long index = MessageIndex(category, n);
    if (const auto text = FindMessage(index)) return std::string(*text);
    return "Error #" + std::to_string(index);
}

std::string GetMessage(MessageId id) {
    // Category kMsgError maps a number to the index of the same number.
    return GetMessage(kMsgError, MessageNumber(id));
}

std::string MaterialLibraryEntry(int subjectCode, int i) {
    constexpr int kSubjects =
        (kLibraryLastIndex - kLibraryFirstIndex + 1) / kLibraryEntriesPerSubject;
    if (subjectCode < 1 || subjectCode > kSubjects || i < 1 || i > kLibraryEntriesPerSubject) {
        return std::string(kUnlistedLibraryEntry);
    }
    const long long index = kMsgLibrary + kLibraryEntriesPerSubject * (subjectCode - 1) + i;
    return std::string(*FindMessage(index));
}

void ShowRuleHint(Reporter& reporter, int n) {
    reporter.Beep();
    reporter.ShowStatusText(GetMessage(kMsgCheck, n), StatusPanel::Info);
}

void ShowRuleHint(Reporter& reporter, MessageId id) {
    reporter.Beep();
    reporter.ShowStatusText(GetMessage(id), StatusPanel::Info);
}

}  // namespace kova
