// The numbered message table: every fixed text the program shows for errors, warnings,
// prompts and report headings, plus the material libraries of the eight subjects.
// Callers name a message by a category and a number; GetMessage turns that pair into a
// table index, so the same words appear wherever the same situation arises.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "model/types.hpp"

namespace kova {

class Reporter;

// Message categories and the table index each one maps number n to.
inline constexpr int kMsgLibrary = 500;     // 500 + n: material library entries
inline constexpr int kMsgPrompt = 1000;     // 60 + n: prompts while drawing and checking
inline constexpr int kMsgError = 1001;      // n: errors and warnings
inline constexpr int kMsgSelection = 1002;  // 80 + n: selection prompts
inline constexpr int kMsgCheck = 2001;      // 100 + n: input validation, check results
inline constexpr int kMsgSummary = 3000;    // 120 + n: headings of the input summary
// Any other category maps n to index n.

// The messages by name: each value is the message's table index, the number by which
// the program's texts refer to it ("message 6"). Filler entries have no name.
enum class MessageId : int {
    NodeLimit = 1,
    InsufficientMemory = 2,  // "Insufficient memory available to complete this operation."
    ClipboardEmpty = 3,
    FrameLimit = 4,
    NoMemoryForCalculation = 5,
    SingularMatrix = 6,
    SolutionUnstable = 7,
    NotEnoughMemory = 8,  // "There is not enough memory to complete this operation. ..."
    NumericalError = 9,
    FileLocked = 12,
    UnexpectedIoError = 13,
    DrawingMovesOffScreen = 14,
    DiskFull = 16,
    ReductionNeedsElements = 19,
    ReductionExceedsNodeLimit = 21,
    ReductionExceedsElementLimit = 22,
    UnmatchedParentheses = 25,
    IllegalCharacter = 26,
    EquationTooComplex = 27,
    MissingOperatorOrIllegalCharacter = 28,
    IllegalExpression = 29,
    DivisionByZero = 31,
    NegativeToNonIntegerPower = 32,
    LogOfNegative = 33,
    RootOfNegative = 34,
    MissingOperator = 35,
    EquationTooLong = 36,
    SpecificationLimit = 41,
    ExpressionsNotConverted = 42,
    CannotBeFunctionOf = 44,
    NumericalErrorEvaluating = 45,
    BandwidthMinimisationFailed = 46,
    DensityOnlyOfPosition = 47,
    ConvergenceNotAttained = 48,
    ChooseNodesOrLinesForFlowVsTime = 49,
    ChooseLinesForFlowVsTime = 50,
    CalculationsTerminated = 51,
    ZoomUpperLeft = 52,
    ZoomLowerRight = 53,
    HoldButtonToDragNode = 54,
    ShiftOrCtrlLocks = 61,
    ClickOnCorner = 62,
    ClickOnMaterialStart = 63,
    ClickOnLineEndpoint = 64,
    ClickOnNodeOrLine = 65,
    HoldButtonToStopScreen = 66,
    ClickMenuItemForExplanation = 67,
    CalculationsInProgress = 68,
    CheckingProblemDefinition = 69,
    EnterNewText = 70,
    ClickOnTextStart = 71,
    HoldButtonToMoveText = 72,
    PropertiesMayBeFunctionOf = 73,
    ClickToSeeBracket = 81,  // "Click to see ["
    AtCursor = 82,
    SelectConnectedBoundaries = 83,
    ClickToSee = 84,
    ClickToSeeFlux = 85,
    ClickToStop = 86,
    SaveTabularOutputAs = 87,
    InitializingMatrices = 88,
    MinimizingBandwidth = 89,
    InvalidNodePosition = 101,
    IllegalEntry = 102,
    ValueMustBeAbove = 103,           // "Value must be > "
    ValueMustBeGreaterOrEqual = 104,  // "Value must be greater or equal to "
    ValueMustBeAtLeast = 105,         // "Value must be >= "
    ValueMustBeBelow = 106,           // "Value must be less than "
    ValueMustBeBetween = 107,
    ClickOnPropertyName = 108,
    NoErrorsFound = 110,
    NonTriangularElements = 111,
    UndefinedProperties = 112,
    UnspecifiedBoundaries = 113,
    CannotBeConvective = 114,
    NoMemoryForNewLine = 115,
    UndefinedInitialValues = 116,
    CannotHaveFlux = 117,
    StorageSizeExceeded = 118,
    CannotBeSpecifiedTemperature = 119,
    CannotBeSpecifiedVoltage = 120,
    SolvedWithBandwidth = 123,
    SpecifiedNodalTemperatures = 124,
    ElementData = 125,
    ConvectionBoundaries = 126,
    SpecifiedHeatFluxBoundaries = 127,
    MaterialProperties = 128,
    LumpData = 129,
    SpecifiedCurrentBoundaries = 130,
    SpecifiedChargeBoundaries = 131,
    SpecifiedFluxBoundaries = 132,
    ErrorWritingFile = 133,
    EndpointOutsideOutline = 134,
    OverSpecified = 135,
    AllPotentialsSpecifiedForAllTime = 136,
    TooManyLumpConnections = 137,
};

// The message's number, which is also the last-error code of a failure it describes.
constexpr int MessageNumber(MessageId id) {
    return static_cast<int>(id);
}

// The longest text the table may hold.
inline constexpr std::size_t kMaxMessageLength = 255;

// The table index chosen by the category rule. Computed in 64 bits so that no
// category and number can overflow.
long long MessageIndex(int category, int n);

// The text stored at a table index, or nothing when the index has no entry.
// Never allocates; the view refers to static storage.
std::optional<std::string_view> FindMessage(long long index);

// The text of the entry chosen by the category rule. An index without an entry gives
// "Error #" followed by the index in decimal, so this never fails.
std::string GetMessage(int category, int n);
// The text of a named message.
std::string GetMessage(MessageId id);

// Material libraries: subject s (its ProbTypeA code, 1..8) uses table entries
// 500 + 20 * (s - 1) + i for materials i = 1..20. An entry has seven fields separated
// by '|': name, colour-grid index, colour value, conductivity, density, specific heat,
// perfusion.
inline constexpr int kLibraryFirstIndex = 501;
inline constexpr int kLibraryLastIndex = 660;
inline constexpr int kLibraryEntriesPerSubject = 20;

// The entry a library slot holds when no material is defined for it.
inline constexpr std::string_view kUnlistedLibraryEntry = "not specified|4|4|1|1|1|1";

// The raw library entry of material i (1..20) of a subject (code 1..8). A subject or
// material number outside those ranges gives kUnlistedLibraryEntry, so a caller with
// a bad code gets a harmless "not specified" material rather than some other message.
std::string MaterialLibraryEntry(int subjectCode, int i);
inline std::string MaterialLibraryEntry(ProbTypeA subject, int i) {
    return MaterialLibraryEntry(static_cast<int>(subject), i);
}

// A geometry rule was broken while drawing: warning beep, then GetMessage(kMsgCheck, n)
// in the information panel.
void ShowRuleHint(Reporter& reporter, int n);
// The same for a named message (InvalidNodePosition, EndpointOutsideOutline, ...).
void ShowRuleHint(Reporter& reporter, MessageId id);

// Fixed texts outside the table, shown in the error box where the named operation
// fails. Their spelling is the program's own and must stay as it is.
inline constexpr std::string_view kMsgNoMemoryForOperation =  // handle allocation
    "Insuffient memory for this operation.";
inline constexpr std::string_view kMsgNoMemoryForLine =  // new line segment
    "Insuffient memory to allocate a new line";
inline constexpr std::string_view kMsgNoMemoryToContinue =  // frame hit testing, drawing
    "Insuffient memory to continue.  Sorry...";
inline constexpr std::string_view kMsgResourceMemoryLow =  // frame hit testing, drawing
    "Resource memory space is low.  Please exit Windows and restart.";
inline constexpr std::string_view kMsgSpecTableFull = "Error 41";        // 1000 specifications
inline constexpr std::string_view kMsgSpecAllocationFailed = "Error 8";  // specification storage

}  // namespace kova
