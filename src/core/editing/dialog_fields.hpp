// What the problem-definition dialogs share: the outcome of an OK, the reading of typed
// specification texts and plain numbers with the message a refusal shows, the check
// that keeps coordinates out of an entry, the rules by which check boxes follow their
// fields, and the texts of the frame lists.
#pragma once

#include <string>
#include <vector>

#include "model/problem.hpp"

namespace kova {

// The end of a dialog's OK: stored, or refused with the field to select (the control's
// name) and the text shown in the information panel, which the dialog repeats at its
// foot. A refusal always has a message.
struct DialogResult {
    bool ok = true;
    std::string field;
    std::string message;
};

// One edit field as a dialog shows it: its label and unit texts, the text it opened
// with (`shown`, kept to tell an untouched field from a typed one) and the text typed
// since, and whether the row is visible and enabled.
struct DialogField {
    std::string label;
    std::string unit;
    std::string text;
    std::string shown;
    bool visible = true;
    bool enabled = true;

    void Show(const std::string& t) { text = shown = t; }
    bool Unchanged() const { return text == shown; }
};

// A check box with its edit field that follow each other: a click into the field ticks
// the box, leaving it ticks the box exactly when the text without spaces is not empty,
// and unticking the box empties the field.
struct TickedField {
    bool ticked = false;
    DialogField field;

    void ClickIntoField() { ticked = true; }
    void LeaveField();
    void SetTicked(bool on);
};

// The text without its spaces.
std::string WithoutSpaces(const std::string& text);

// The text of SpecTable entry `index`; empty for 0 and for a number outside the table.
std::string StoredSpecText(const Problem& problem, int index);

// Reads a specification text into the SpecTable as FindOrAddSpec does and returns its
// number (0 for an empty text). A text over 128 characters once its spaces are gone is
// refused with message 36 instead of being cut into another expression. On a refusal
// `result` names `field`, carries the message shown (a table text where the compiler
// shows none) and the warning beep has sounded; the return value is then 0.
int ReadSpecField(Problem& problem, int kind, const std::string& text, const std::string& field,
                  DialogResult& result);

// Compiles one edit field into a material's property block (a BoundarySpec without a
// SpecTable entry): a plain number is stored as a constant, anything else is compiled,
// checked against coordinates when `positionCheck` (a lump's property), and evaluated on
// trial as FindOrAddSpec does. The block changes only when the text is accepted.
bool CompileMaterialField(Problem& problem, const std::string& text, BoundarySpec& block,
                          bool positionCheck, const std::string& field, DialogResult& result);

// Whether `spec` may stand where no coordinate is allowed. A position-dependent entry is
// refused with error 44: the beep, and message 44 followed by the two axis letters
// joined by `word` (" and/or " or " or ") in the information panel and in `result`.
bool PositionCheck(Problem& problem, const BoundarySpec& spec, const std::string& word,
                   const std::string& field, DialogResult& result);

// Reads a plain number as ReadNumberField does (its modes and bounds; "." is the decimal
// point whatever the locale). A refusal fills `result` with `field` and the message.
bool ReadNumberText(Problem& problem, const std::string& text, Real minimum, Real maximum, int mode,
                    const std::string& field, DialogResult& result, Real& value);

// A refusal that has no message of its own elsewhere: the beep and `message` in the
// information panel.
void Refuse(Problem& problem, const std::string& field, const std::string& message,
            DialogResult& result);

// The texts of the frame lists of the transient set-up and the outline choice: for
// frame k the text "k. " and the name of its material.
std::vector<std::string> FrameListTexts(const Problem& problem);

// The frames a selection speaks of: frame numbers for `Frames`, item - N for `Lumps`,
// and the lump items of a `Points` selection. Numbers outside 1..F are dropped.
std::vector<int> SelectedFrames(const Problem& problem);

// A name cut to `limit` characters (not bytes) of its UTF-8 text.
std::string CutToCharacters(const std::string& text, std::size_t limit);

}  // namespace kova
