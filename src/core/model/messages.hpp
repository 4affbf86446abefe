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
