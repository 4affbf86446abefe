#include "model/messages.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>

#include "platform/reporter.hpp"

namespace kova {
namespace {

using Kind = RecordingReporter::Event::Kind;

TEST(GetMessage, CategoriesMapToTheirIndexRanges) {
    EXPECT_EQ(GetMessage(kMsgPrompt, 9), "Checking problem definition.");  // 69
    EXPECT_EQ(GetMessage(kMsgPrompt, 1),
              "Hold the Shift or Ctrl key down to lock X or Y, respectively.");
    EXPECT_EQ(GetMessage(kMsgError, 3), "Clipboard is empty");
    EXPECT_EQ(GetMessage(kMsgSelection, 1), "Click to see [");  // 81
    EXPECT_EQ(GetMessage(kMsgCheck, 10), "No errors found.");   // 110
    EXPECT_EQ(GetMessage(kMsgCheck, 34), GetMessage(kMsgError, 134));
    EXPECT_EQ(GetMessage(kMsgCheck, 34),
              "The endpoint must be in the same outline and not cross other lines");
    EXPECT_EQ(GetMessage(kMsgSummary, 8), "Material properties");  // 128
    EXPECT_EQ(GetMessage(kMsgLibrary, 1), "Air|15|15| 2.599e-2|1.177|1006|0.0");
    // Any other category takes the number as the index.
    EXPECT_EQ(GetMessage(0, 25), "Unmatched parentheses.");
    EXPECT_EQ(GetMessage(2000, 27), "Equation too complex.");
    EXPECT_EQ(GetMessage(999, 68), "Calculations in progress...");
}

TEST(GetMessage, MissingEntriesGiveErrorNumber) {
    EXPECT_EQ(GetMessage(kMsgError, 200), "Error #200");
    EXPECT_EQ(GetMessage(kMsgError, 11), "Error #11");
    EXPECT_EQ(GetMessage(kMsgError, 15), "Error #15");
    EXPECT_EQ(GetMessage(kMsgError, 500), "Error #500");
    EXPECT_EQ(GetMessage(kMsgLibrary, 161), "Error #661");  // the index, not the number
    EXPECT_EQ(GetMessage(kMsgCheck, -101), "Error #-1");
    // Large numbers must not overflow the index arithmetic.
    EXPECT_EQ(GetMessage(kMsgCheck, INT_MAX), "Error #2147483747");
    EXPECT_EQ(GetMessage(kMsgError, INT_MIN), "Error #-2147483648");
}

TEST(GetMessage, FillerEntries) {
    EXPECT_EQ(GetMessage(kMsgError, 55), "");  // present, and empty
    for (int i : {10, 17, 20, 23, 24, 30, 37, 38, 39, 40, 43}) {
        EXPECT_EQ(GetMessage(kMsgError, i), std::to_string(i));
    }
    EXPECT_EQ(GetMessage(kMsgError, 18), " ");
    EXPECT_EQ(GetMessage(kMsgError, 109), ".");
    EXPECT_EQ(GetMessage(kMsgError, 121), "1");
    EXPECT_EQ(GetMessage(kMsgError, 122), "2");
    for (int first : {55, 74, 90}) {
        const int last = first == 55 ? 60 : first == 74 ? 80 : 100;
        for (int i = first; i <= last; ++i) {
            ASSERT_TRUE(FindMessage(i).has_value()) << i;
            EXPECT_TRUE(FindMessage(i)->empty()) << i;
        }
    }
}

TEST(GetMessage, TextsKeepTheirSpacingAndSpelling) {
    EXPECT_EQ(GetMessage(kMsgError, 4),
              "Present configuration allows a maximum of 52 separate frames. ");
    EXPECT_EQ(GetMessage(kMsgError, 12),
              "This file is locked and cannot be overwritten.   You may save the file with a "
              "different name or on a different disk. ");
    EXPECT_EQ(GetMessage(kMsgError, 42),
              "Unit conversion was made for all constant value specifications, but not for "
              "specifications made with equations.  Check your specifications.   ");
    EXPECT_EQ(GetMessage(kMsgError, 45), "A numerical error has resulted while evaluating:  ");
    EXPECT_EQ(GetMessage(kMsgError, 46),
              "The algorithm which minimizes the bandwidth has failed.  Outlines must be touch "
              "one another at one or more points. ");
    EXPECT_EQ(GetMessage(kMsgCheck, 1), "The new node position is invalid.  ");
    EXPECT_EQ(GetMessage(kMsgCheck, 15), "There in not sufficient memory to for a new line.");
    EXPECT_EQ(GetMessage(kMsgCheck, 16), "Boxes identify nodes having undefined initial ");
    EXPECT_EQ(GetMessage(kMsgSummary, 4), "Specified nodal temperatures ");
    EXPECT_EQ(GetMessage(kMsgError, 137),
              "There are too many nodes connected to a lump.  Sorry...");
}

TEST(GetMessage, NodeLimitMessageNamesTheLimit) {
    const std::string text = GetMessage(kMsgError, 1);
    EXPECT_NE(text.find(std::to_string(kNodeLimit)), std::string::npos) << text;
    EXPECT_NE(text.find("nodes"), std::string::npos) << text;
}

TEST(MessageTable, EveryNumberUpTo137HasAnEntryExcept11And15) {
    for (int i = 1; i <= 137; ++i) {
        EXPECT_EQ(FindMessage(i).has_value(), i != 11 && i != 15) << i;
    }
    for (long long i : {0LL, 138LL, 200LL, 500LL, 661LL, -1LL}) {
        EXPECT_FALSE(FindMessage(i).has_value()) << i;
    }
}

TEST(MessageTable, NoTextIsLongerThanTheLimit) {
    for (long long i = 1; i <= kLibraryLastIndex; ++i) {
        if (const auto text = FindMessage(i)) {
            EXPECT_LE(text->size(), kMaxMessageLength) << i;
        }
    }
}

// Counts the library slots of a subject that hold a defined material.
int DefinedMaterials(int subject) {
    int count = 0;
    for (int i = 1; i <= kLibraryEntriesPerSubject; ++i) {
        count += MaterialLibraryEntry(subject, i) != kUnlistedLibraryEntry ? 1 : 0;
    }
    return count;
}

TEST(MaterialLibrary, EachSubjectHoldsItsMaterialsAndFillsTheRest) {
    // Heat Transfer 15, the next five 10 each, Potential Flow 2 + 8 coloured
    // placeholders, Porous Media Flow 10, Extended Surfaces 15.
    const int expected[] = {15, 10, 10, 10, 10, 10, 10, 15};
    for (int s = 1; s <= 8; ++s) EXPECT_EQ(DefinedMaterials(s), expected[s - 1]) << s;

    for (int s = 1; s <= 8; ++s) {
        for (int i = 1; i <= kLibraryEntriesPerSubject; ++i) {
            const std::string entry = MaterialLibraryEntry(s, i);
            EXPECT_EQ(std::count(entry.begin(), entry.end(), '|'), 6) << s << "/" << i;
            EXPECT_EQ(GetMessage(kMsgLibrary, 20 * (s - 1) + i), entry);
        }
    }
}

TEST(MaterialLibrary, EntriesOfEverySubject) {
    EXPECT_EQ(MaterialLibraryEntry(ProbTypeA::HeatTrans, 1), "Air|15|15| 2.599e-2|1.177|1006|0.0");
    EXPECT_EQ(MaterialLibraryEntry(1, 11), "Steel|8|8 |60.5|7854|434|0");
    EXPECT_EQ(MaterialLibraryEntry(1, 16), "not specified|4|4|1|1|1|1");
    EXPECT_EQ(MaterialLibraryEntry(2, 7), "Silicon|29|29|1200|1.0000| 1.062e-10|0.0");
    EXPECT_EQ(MaterialLibraryEntry(2, 10), "Quartz (fused)|27|27| 1.000e-17|1.0000| 3.345e-11|0.0");
    EXPECT_EQ(MaterialLibraryEntry(3, 1), "Air|20|20| 8.858e-12|1.0000|0.0|0.0");
    EXPECT_EQ(MaterialLibraryEntry(3, 10), "Germanium|27|27| 1.417e-10|1.0000|0.0|0.0");
    EXPECT_EQ(MaterialLibraryEntry(4, 8), "Supermalloy|35|35|0.1257|1.0000|0.0|0.0");
    EXPECT_EQ(MaterialLibraryEntry(5, 4), "Feces |1|1|0.7800|1000|4000| 1.000e-2");
    EXPECT_EQ(MaterialLibraryEntry(6, 2), "Water|14|14|1.0000|1000|0.0|0.0");
    EXPECT_EQ(MaterialLibraryEntry(7, 1), "Rock, sound|23|23| 5.000e-12|1.0000| 3.300e-6|0.0");
    EXPECT_EQ(MaterialLibraryEntry(7, 10), " Peat|14|14| 5.000e-5|1.0000| 5.000e-4|0.0");
}

TEST(MaterialLibrary, PotentialFlowPlaceholdersCarryColours) {
    const int colours[] = {35, 12, 23, 21, 29, 35, 16, 27};
    for (int k = 0; k < 8; ++k) {
        const std::string c = std::to_string(colours[k]);
        EXPECT_EQ(MaterialLibraryEntry(ProbTypeA::Potential, 3 + k),
                  "not specified|" + c + "|" + c + "|1.0000|1.0000|0.0|0.0");
    }
    EXPECT_EQ(MaterialLibraryEntry(ProbTypeA::Potential, 11), kUnlistedLibraryEntry);
}

TEST(MaterialLibrary, ExtendedSurfacesDifferFromHeatTransferInSilverAndSteelOnly) {
    EXPECT_EQ(MaterialLibraryEntry(ProbTypeA::ThinFins, 10), "Silver|7|77|429.0|10500|235.0|0.0");
    EXPECT_EQ(MaterialLibraryEntry(ProbTypeA::HeatTrans, 10), "Silver|7|7|429.0|10500|235.0|0.0");
    EXPECT_EQ(MaterialLibraryEntry(ProbTypeA::ThinFins, 11), "Steel|8|8 |0.52|7854|434|0");
    for (int i = 1; i <= kLibraryEntriesPerSubject; ++i) {
        if (i == 10 || i == 11) continue;
        EXPECT_EQ(MaterialLibraryEntry(ProbTypeA::ThinFins, i),
                  MaterialLibraryEntry(ProbTypeA::HeatTrans, i))
            << i;
    }
}

TEST(MaterialLibrary, OutOfRangeArgumentsGiveTheUnlistedEntry) {
    for (auto [s, i] : {std::pair{0, 1}, {9, 1}, {-1, 5}, {1, 0}, {1, 21}, {8, INT_MAX}}) {
        EXPECT_EQ(MaterialLibraryEntry(s, i), kUnlistedLibraryEntry) << s << "/" << i;
    }
}

TEST(ShowRuleHint, BeepsThenWritesTheInformationPanel) {
    RecordingReporter reporter;
    ShowRuleHint(reporter, 34);
    ASSERT_EQ(reporter.events.size(), 2u);
    EXPECT_EQ(reporter.events[0].kind, Kind::Beep);
    EXPECT_EQ(reporter.events[1].kind, Kind::Status);
    EXPECT_EQ(reporter.events[1].panel, StatusPanel::Info);
    EXPECT_EQ(reporter.events[1].text,
              "The endpoint must be in the same outline and not cross other lines");
    EXPECT_EQ(reporter.StatusText(StatusPanel::Info), reporter.events[1].text);
    EXPECT_TRUE(reporter.Errors().empty());

    ShowRuleHint(reporter, 1);
    EXPECT_EQ(reporter.BeepCount(), 2);
    EXPECT_EQ(reporter.StatusText(StatusPanel::Info), "The new node position is invalid.  ");
}

// Every name must lead to the message it is named after: a name on the wrong number
// would show a plausible but wrong text wherever it is used.
TEST(MessageId, EveryNameLeadsToItsMessage) {
    const std::pair<MessageId, std::string_view> cases[] = {
        {MessageId::NodeLimit, "A problem may have at most 20000 nodes."},
        {MessageId::InsufficientMemory, "Insufficient memory available to complete"},
        {MessageId::ClipboardEmpty, "Clipboard is empty"},
        {MessageId::FrameLimit, "Present configuration allows a maximum of 52"},
        {MessageId::NoMemoryForCalculation, "Insufficient memory is available to do the calc"},
        {MessageId::SingularMatrix, "Your problem has produced a singular matrix."},
        {MessageId::SolutionUnstable, "It appears that your solution is becoming unstable."},
        {MessageId::NotEnoughMemory, "There is not enough memory to complete"},
        {MessageId::NumericalError, "A numerical error has resulted.  The problem"},
        {MessageId::FileLocked, "This file is locked"},
        {MessageId::UnexpectedIoError, "An unexpected input/output error"},
        {MessageId::DrawingMovesOffScreen, "These changes to the Scale"},
        {MessageId::DiskFull, "The disk is filled!"},
        {MessageId::ReductionNeedsElements, "Mesh reduction can only be applied"},
        {MessageId::ReductionExceedsNodeLimit,
         "Mesh reduction will cause the maximum number of nodes"},
        {MessageId::ReductionExceedsElementLimit,
         "Mesh reduction will cause the maximum number of elements"},
        {MessageId::UnmatchedParentheses, "Unmatched parentheses."},
        {MessageId::IllegalCharacter, "Illegal character in equation: "},
        {MessageId::EquationTooComplex, "Equation too complex."},
        {MessageId::MissingOperatorOrIllegalCharacter, "Missing operator or illegal character"},
        {MessageId::IllegalExpression, "Illegal expression "},
        {MessageId::DivisionByZero, "Division by zero."},
        {MessageId::NegativeToNonIntegerPower, "Attempt to raise a negative number"},
        {MessageId::LogOfNegative, "Log of a negative number."},
        {MessageId::RootOfNegative, "Square root of a negative number."},
        {MessageId::MissingOperator, "Missing operator in equation."},
        {MessageId::EquationTooLong, "Equations must be <128 characters."},
        {MessageId::SpecificationLimit, "KOVA has a limit of 1000 unique boundary"},
        {MessageId::ExpressionsNotConverted, "Unit conversion was made"},
        {MessageId::CannotBeFunctionOf, "This specification can not be a function of "},
        {MessageId::NumericalErrorEvaluating, "A numerical error has resulted while evaluating"},
        {MessageId::BandwidthMinimisationFailed, "The algorithm which minimizes the bandwidth"},
        {MessageId::DensityOnlyOfPosition, "Density can only be a function of position."},
        {MessageId::ConvergenceNotAttained, "Convergence not attained."},
        {MessageId::ChooseNodesOrLinesForFlowVsTime, "Choose one or more nodes"},
        {MessageId::ChooseLinesForFlowVsTime, "Choose one or more boundary lines"},
        {MessageId::CalculationsTerminated, "Calculations terminated by user."},
        {MessageId::ZoomUpperLeft, "Click to locate the upper left corner"},
        {MessageId::ZoomLowerRight, "Click to locate the lower right corner"},
        {MessageId::HoldButtonToDragNode, "Hold the mouse button down on a node"},
        {MessageId::ShiftOrCtrlLocks, "Hold the Shift or Ctrl key down"},
        {MessageId::ClickOnCorner, "Click on corner."},
        {MessageId::ClickOnMaterialStart, "Click on starting point of material."},
        {MessageId::ClickOnLineEndpoint, "Click on line endpoint."},
        {MessageId::ClickOnNodeOrLine, "Click on node or line;"},
        {MessageId::HoldButtonToStopScreen, "Hold button to stop screen."},
        {MessageId::ClickMenuItemForExplanation, "Click button on the menu item"},
        {MessageId::CalculationsInProgress, "Calculations in progress..."},
        {MessageId::CheckingProblemDefinition, "Checking problem definition."},
        {MessageId::EnterNewText, "Enter new text."},
        {MessageId::ClickOnTextStart, "Click on starting point of new text"},
        {MessageId::HoldButtonToMoveText, "Hold button to reposition"},
        {MessageId::PropertiesMayBeFunctionOf, "Properties may be entered as a function of "},
        {MessageId::ClickToSeeBracket, "Click to see ["},
        {MessageId::AtCursor, "at cursor."},
        {MessageId::SelectConnectedBoundaries, "Select (1 or more) connected boundaries."},
        {MessageId::ClickToSee, "Click to see "},
        {MessageId::ClickToSeeFlux, "Click to see flux"},
        {MessageId::ClickToStop, "Click to stop"},
        {MessageId::SaveTabularOutputAs, "Save Tabular Output as:"},
        {MessageId::InitializingMatrices, "Initializing matrices"},
        {MessageId::MinimizingBandwidth, "Minimizing bandwidth"},
        {MessageId::InvalidNodePosition, "The new node position is invalid."},
        {MessageId::IllegalEntry, "Illegal entry."},
        {MessageId::ValueMustBeAbove, "Value must be > "},
        {MessageId::ValueMustBeGreaterOrEqual, "Value must be greater or equal to "},
        {MessageId::ValueMustBeAtLeast, "Value must be >= "},
        {MessageId::ValueMustBeBelow, "Value must be less than "},
        {MessageId::ValueMustBeBetween, "Value must be between "},
        {MessageId::ClickOnPropertyName, "Click on property name at left."},
        {MessageId::NoErrorsFound, "No errors found."},
        {MessageId::NonTriangularElements, "Boxes identify lines forming non-triangular"},
        {MessageId::UndefinedProperties, "Flashing material has undefined properties."},
        {MessageId::UnspecifiedBoundaries, "Boxes identify lines for which the boundary"},
        {MessageId::CannotBeConvective, "This boundary cannot be convective."},
        {MessageId::NoMemoryForNewLine, "There in not sufficient memory to for a new line."},
        {MessageId::UndefinedInitialValues, "Boxes identify nodes having undefined initial "},
        {MessageId::CannotHaveFlux, "This boundary cannot have non-zero flux."},
        {MessageId::StorageSizeExceeded, "Storage size exceeded"},
        {MessageId::CannotBeSpecifiedTemperature, "This boundary cannot be specified temp."},
        {MessageId::CannotBeSpecifiedVoltage, "This boundary cannot be specified voltage."},
        {MessageId::SolvedWithBandwidth, "This problem was solved with a bandwidth of "},
        {MessageId::SpecifiedNodalTemperatures, "Specified nodal temperatures "},
        {MessageId::ElementData, "Element data"},
        {MessageId::ConvectionBoundaries, "Convection boundaries"},
        {MessageId::SpecifiedHeatFluxBoundaries, "Specified heat-flux boundaries"},
        {MessageId::MaterialProperties, "Material properties"},
        {MessageId::LumpData, "Lump data"},
        {MessageId::SpecifiedCurrentBoundaries, "Specified current boundaries"},
        {MessageId::SpecifiedChargeBoundaries, "Specified charge boundaries"},
        {MessageId::SpecifiedFluxBoundaries, "Specified flux boundaries"},
        {MessageId::ErrorWritingFile, "Error in writing file."},
        {MessageId::EndpointOutsideOutline, "The endpoint must be in the same outline"},
        {MessageId::OverSpecified,
         "The number of undetermined node potentials is < 1.  The problem is over-specified"},
        {MessageId::AllPotentialsSpecifiedForAllTime,
         "The number of undetermined node potentials is < 1.  All node"},
        {MessageId::TooManyLumpConnections, "There are too many nodes connected to a lump."},
    };
    for (const auto& [id, beginning] : cases) {
        const std::string text = GetMessage(id);
        EXPECT_EQ(text.substr(0, beginning.size()), beginning) << MessageNumber(id);
    }
    // The named form reaches the same entry as the category and number it replaces.
    EXPECT_EQ(GetMessage(MessageId::CheckingProblemDefinition), GetMessage(kMsgPrompt, 9));
    EXPECT_EQ(GetMessage(MessageId::SelectConnectedBoundaries), GetMessage(kMsgSelection, 3));
    EXPECT_EQ(GetMessage(MessageId::NoErrorsFound), GetMessage(kMsgCheck, 10));
    RecordingReporter reporter;
    ShowRuleHint(reporter, MessageId::EndpointOutsideOutline);
    EXPECT_EQ(reporter.BeepCount(), 1);
    EXPECT_EQ(reporter.StatusText(StatusPanel::Info), GetMessage(kMsgCheck, 34));
}

TEST(ReporterStatusText, EmptyTextClearsInfoPanelUnlessItShowsBackup) {
    RecordingReporter reporter;
    reporter.ShowStatusText("Calculations in progress...", StatusPanel::Info);
    reporter.ShowStatusText("", StatusPanel::Info);
    EXPECT_EQ(reporter.StatusText(StatusPanel::Info), "");

    reporter.ShowStatusText("Backup saved", StatusPanel::Info);
    reporter.Clear();
    reporter.ShowStatusText("", StatusPanel::Info);
    EXPECT_EQ(reporter.StatusText(StatusPanel::Info), "Backup saved");
    EXPECT_TRUE(reporter.events.empty());

    // A non-empty text replaces it, and only the information panel keeps "Backup".
    reporter.ShowStatusText("Backup", StatusPanel::Coords);
    reporter.ShowStatusText("", StatusPanel::Coords);
    EXPECT_EQ(reporter.StatusText(StatusPanel::Coords), "");
    reporter.ShowStatusText("No errors found.", StatusPanel::Info);
    EXPECT_EQ(reporter.StatusText(StatusPanel::Info), "No errors found.");

    // "Backup" must begin the text.
    reporter.ShowStatusText("No Backup", StatusPanel::Info);
    reporter.ShowStatusText("", StatusPanel::Info);
    EXPECT_EQ(reporter.StatusText(StatusPanel::Info), "");
}

}  // namespace
}  // namespace kova
