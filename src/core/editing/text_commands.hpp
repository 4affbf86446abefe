// Text items and the template picture: the annotations that lie on the drawing without
// taking part in the calculation. Creating, clicking, dragging and editing texts, and
// placing, moving and stretching the template, as commands with undo snapshots; the
// dialogs and the clipboard belong to the desktop program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/problem.hpp"
#include "platform/draw_list.hpp"     // TextMetrics
#include "results/input_drawing.hpp"  // TextRectangle

namespace kova {

inline constexpr std::size_t kMaxTextLength = 80;

// The current text item (the one last clicked or created), by its position in the
// problem's list so that an undo, which rebuilds the list, never leaves it dangling;
// -1 when there is none.
struct TextState {
    int current = -1;
};

// The item at a list position, or null.
TextItem* TextAt(Problem& problem, int index);

// A new item appended to the list, with the text's first 80 characters, at (100, 50)
// in window `winNo`. The first item of a problem is Arial 12 pt, black, transparent and
// horizontal; a later one copies the last item's appearance and lies 25 pixels lower
// and further right.
TextItem& NewTextItem(Problem& problem, const std::string& text, int winNo);

// The command "New Text": the undo snapshot "New Text", then a new item "new text"
// which becomes the current item.
TextItem& NewTextCommand(Problem& problem, TextState& state, int winNo);

// Removes an item from the list (the current item is adjusted); false when absent.
bool UnlinkTextItem(Problem& problem, TextState& state, const TextItem* item);

// A press at (x, y) in window `winNo`: the items of that window whose rectangle holds
// the point, in list order, each become current and flip their selection (all others
// deselected first unless Shift is held). True when an item was hit; otherwise no item
// is current and every item is deselected. Nothing is hit while texts are hidden.
bool TextClick(Problem& problem, TextState& state, int winNo, Real x, Real y, bool shift,
               const TextMetrics& metrics);

// The start of a text drag: the undo snapshot "Move Text"; the current item is marked
// selected. TextDrag then offsets every selected item of the window by the pointer's
// movement.
void BeginTextDrag(Problem& problem, TextState& state);
void TextDrag(Problem& problem, int winNo, int dx, int dy);

// The text dialog: what it shows when it opens, and what OK and Delete do.
struct TextDialogValues {
    std::string text;
    bool textEnabled = true;  // false (showing "Selected text items") for several items
    bool deleteEnabled = true;
    std::string fontName;
    std::int32_t color = 0;
    std::int32_t size = 12;
    std::uint8_t style = 0;
    bool transparent = true;
    bool inclined = false;
    std::int32_t angle = 0;
};

// The fields for the current item; `backup` receives the copy that OK compares with.
TextDialogValues OpenTextDialog(Problem& problem, const TextState& state, TextItem& backup);

// OK: the undo snapshot "Text", then with several selected items every attribute
// changed against `backup` is copied to each of them; with one item the text (first 80
// characters) and all attributes are taken, and an emptied text removes the item.
// Angles are kept within -90..90.
void TextDialogOk(Problem& problem, TextState& state, const TextItem& backup,
                  const TextDialogValues& values);

// Delete: the undo snapshot "Delete Text", every selected item removed.
void TextDialogDelete(Problem& problem, TextState& state);

// The template picture.
// Its size in pixels: a bitmap's from its header, otherwise its rectangle's.
struct PictureSize {
    int width = 0;
    int height = 0;
};
PictureSize TemplatePictureSize(const TemplatePicture& picture);

// "Paste from Clipboard" with a picture of the given size and kind (1 metafile, 2
// bitmap with its file header): the undo snapshot "Paste Template", the picture
// replaces any earlier one, its rectangle is fitted into the client area less 20
// pixels (proportions kept) and centred, and the picture is shown. An empty picture
// changes nothing and returns false.
bool PasteTemplate(Problem& problem, int kind, std::vector<std::uint8_t> data, PictureSize size,
                   int clientWidth, int clientHeight);

// Where a press lies on the template in sizing mode.
enum class TemplateGrip { None, Move, Resize };
TemplateGrip TemplateHit(const Problem& problem, int x, int y);

// The start of a move or resize: the undo snapshot "Move Template".
void BeginTemplateChange(Problem& problem);
// Offsets the rectangle (a move, or an arrow key's nudge).
void MoveTemplateBy(Problem& problem, int dx, int dy);
// Puts the bottom-right corner at (x, y); with Shift the height follows the width in the
// picture's proportions.
void ResizeTemplateTo(Problem& problem, int x, int y, bool keepProportions);

// "Delete" in sizing mode: the undo snapshot "Delete Template", the picture released.
// False when there is no picture.
bool DeleteTemplate(Problem& problem);

}  // namespace kova
