#include "editing/text_commands.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

#include "files/undo_snapshots.hpp"
#include "results/input_drawing.hpp"

namespace kova {
namespace {

constexpr int kCascade = 25;       // each new text lies this much lower and further right
constexpr int kClientMargin = 20;  // a pasted picture stays this much inside the window
constexpr int kGripSize = kTemplateGripSize;  // the resize square at the bottom-right corner

std::string Clip(const std::string& text) {
    return text.substr(0, std::min(text.size(), kMaxTextLength));
}

int IndexOf(const Problem& problem, const TextItem* item) {
    int i = 0;
    for (const TextItem& t : problem.texts) {
        if (&t == item) return i;
        ++i;
    }
    return -1;
}

std::int16_t ClampAngle(std::int32_t angle) {
    return static_cast<std::int16_t>(std::clamp(angle, -90, 90));
}

void TakeSettings(TextItem& item, const TextDialogValues& v) {
    item.fontName = v.fontName;
    item.color = v.color;
    item.fSize = v.size;
    item.style = v.style;
    item.mode = v.transparent ? TextMode::trans : TextMode::opaq;
    item.angle = v.inclined ? ClampAngle(v.angle) : 0;
    item.orientation = item.angle != 0 ? OrientationType::Inclined : OrientationType::Horiz;
}

std::int32_t ReadLe32(const std::vector<std::uint8_t>& d, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(d[at + i]) << (8 * i);
    return static_cast<std::int32_t>(v);
}

}  // namespace

TextItem* TextAt(Problem& problem, int index) {
    if (index < 0 || index >= static_cast<int>(problem.texts.size())) return nullptr;
    return &*std::next(problem.texts.begin(), index);
}

TextItem& NewTextItem(Problem& problem, const std::string& text, int winNo) {
    TextItem item;
    item.theText = Clip(text);
    item.nt = static_cast<std::int32_t>(item.theText.size());
    item.theRect = IntRect{100, 50, 100, 30};
    item.winNo = winNo;
    if (problem.texts.empty()) {
        item.fontName = "Arial";
        item.fSize = 12;
        item.color = 0;
        item.style = 0;
        item.mode = TextMode::trans;
        item.orientation = OrientationType::Horiz;
        item.angle = 0;
    } else {
        const TextItem& last = problem.texts.back();
        item.fontName = last.fontName;
        item.color = last.color;
        item.style = last.style;
        item.fSize = last.fSize;
        item.mode = last.mode;
        item.orientation = last.orientation;
        item.angle = last.angle;
        item.theRect.left = last.theRect.left + kCascade;
        item.theRect.top = last.theRect.top + kCascade;
    }
    problem.texts.push_back(std::move(item));
    return problem.texts.back();
}

TextItem& NewTextCommand(Problem& problem, TextState& state, int winNo) {
    SaveUndoSnapshot(problem, "New Text");
    TextItem& item = NewTextItem(problem, "new text", winNo);
    state.current = static_cast<int>(problem.texts.size()) - 1;
    problem.settings.problemSaved = false;
    return item;
}

bool UnlinkTextItem(Problem& problem, TextState& state, const TextItem* item) {
    const int index = IndexOf(problem, item);
    if (index < 0) return false;
    problem.texts.erase(std::next(problem.texts.begin(), index));
    if (state.current == index)
        state.current = -1;
    else if (state.current > index)
        --state.current;
    return true;
}

bool TextClick(Problem& problem, TextState& state, int winNo, Real x, Real y, bool shift,
               const TextMetrics& metrics) {
    bool hit = false;
    if (problem.settings.displayText) {
        int index = 0;
        for (TextItem& item : problem.texts) {
            if (item.winNo == winNo) {
                const IntRect r = TextRectangle(item, metrics, problem.view.zoom);
                if (x >= r.left && x <= r.right && y >= r.top && y <= r.bottom) {
                    if (!shift)
                        for (TextItem& other : problem.texts)
                            if (&other != &item) other.selected = 0;
                    state.current = index;
                    item.selected = item.selected ? 0 : 1;
                    hit = true;
                }
            }
            ++index;
        }
    }
    if (!hit) {
        state.current = -1;
        for (TextItem& item : problem.texts) item.selected = 0;
    }
    return hit;
}

void BeginTextDrag(Problem& problem, TextState& state) {
    SaveUndoSnapshot(problem, "Move Text");
    if (TextItem* item = TextAt(problem, state.current)) item->selected = 1;
    problem.settings.problemSaved = false;
}

void TextDrag(Problem& problem, int winNo, int dx, int dy) {
    for (TextItem& item : problem.texts) {
        if (item.winNo != winNo || !item.selected) continue;
        item.theRect.left += dx;
        item.theRect.top += dy;
        item.theRect.right += dx;
        item.theRect.bottom += dy;
    }
    problem.settings.problemSaved = false;
}

TextDialogValues OpenTextDialog(Problem& problem, const TextState& state, TextItem& backup) {
    TextDialogValues v;
    int selected = 0;
    for (const TextItem& item : problem.texts) selected += item.selected ? 1 : 0;
    v.deleteEnabled = selected > 0;
    const TextItem* current = TextAt(problem, state.current);
    if (current == nullptr) return v;
    backup = *current;
    if (selected > 1) {
        v.text = "Selected text items";
        v.textEnabled = false;
    } else {
        v.text = current->theText;
    }
    v.fontName = current->fontName;
    v.color = current->color;
    v.size = current->fSize;
    v.style = current->style;
    v.transparent = current->mode == TextMode::trans;
    v.inclined = current->angle != 0;
    v.angle = current->angle;
    return v;
}

void TextDialogOk(Problem& problem, TextState& state, const TextItem& backup,
                  const TextDialogValues& v) {
    TextItem* current = TextAt(problem, state.current);
    if (current == nullptr) return;
    int selected = 0;
    for (const TextItem& item : problem.texts) selected += item.selected ? 1 : 0;
    SaveUndoSnapshot(problem, "Text");
    problem.settings.problemSaved = false;
    if (selected > 1) {
        const std::int16_t angle = v.inclined ? ClampAngle(v.angle) : 0;
        const TextMode mode = v.transparent ? TextMode::trans : TextMode::opaq;
        for (TextItem& item : problem.texts) {
            if (!item.selected) continue;
            if (v.fontName != backup.fontName) item.fontName = v.fontName;
            if (v.color != backup.color) item.color = v.color;
            if (v.style != backup.style) item.style = v.style;
            if (v.size != backup.fSize) item.fSize = v.size;
            if (mode != backup.mode) item.mode = mode;
            if (angle != backup.angle) {
                item.angle = angle;
                item.orientation = angle != 0 ? OrientationType::Inclined : OrientationType::Horiz;
            }
        }
        return;
    }
    current->theText = Clip(v.text);
    current->nt = static_cast<std::int32_t>(current->theText.size());
    if (current->theText.empty()) {
        UnlinkTextItem(problem, state, current);
        state.current = -1;
        return;
    }
    TakeSettings(*current, v);
}

void TextDialogDelete(Problem& problem, TextState& state) {
    SaveUndoSnapshot(problem, "Delete Text");
    problem.settings.problemSaved = false;
    const TextItem* current = TextAt(problem, state.current);
    const bool currentGoes = current != nullptr && current->selected;
    int index = 0, kept = -1, currentIndex = state.current;
    for (auto it = problem.texts.begin(); it != problem.texts.end(); ++index) {
        if (it->selected) {
            it = problem.texts.erase(it);
        } else {
            ++kept;
            if (index == currentIndex) state.current = kept;
            ++it;
        }
    }
    if (currentGoes) state.current = -1;
}

PictureSize TemplatePictureSize(const TemplatePicture& picture) {
    const auto& d = picture.Data();
    // A bitmap file: "BM", the file header (14 bytes), then the info header with the
    // width and height (negative for a top-down bitmap).
    if (picture.kind == 2 && d.size() >= 26 && d[0] == 'B' && d[1] == 'M') {
        const std::int32_t w = ReadLe32(d, 18), h = ReadLe32(d, 22);
        if (w > 0 && h != 0 && h != INT32_MIN) return {w, h < 0 ? -h : h};
    }
    return {picture.rect.right - picture.rect.left, picture.rect.bottom - picture.rect.top};
}

bool PasteTemplate(Problem& problem, int kind, std::vector<std::uint8_t> data, PictureSize size,
                   int clientWidth, int clientHeight) {
    if (data.empty() || size.width <= 0 || size.height <= 0) return false;
    SaveUndoSnapshot(problem, "Paste Template");
    Real w = size.width, h = size.height;
    // Both kinds fit into the window, so that the resize corner of a large bitmap stays
    // within reach.
    const Real maxW = std::max(clientWidth - kClientMargin, 1);
    const Real maxH = std::max(clientHeight - kClientMargin, 1);
    if (w > maxW) {
        h = h * maxW / w;
        w = maxW;
    }
    if (h > maxH) {
        w = w * maxH / h;
        h = maxH;
    }
    const auto iw = static_cast<std::int32_t>(std::max<long long>(1, RoundHalfEven(w)));
    const auto ih = static_cast<std::int32_t>(std::max<long long>(1, RoundHalfEven(h)));
    TemplatePicture& t = problem.templatePicture;
    t.kind = kind;
    t.SetData(std::move(data));
    t.rect.left = (clientWidth - iw) / 2;
    t.rect.top = (clientHeight - ih) / 2;
    t.rect.right = t.rect.left + iw;
    t.rect.bottom = t.rect.top + ih;
    problem.settings.displayTemplate = true;
    problem.settings.problemSaved = false;
    return true;
}

TemplateGrip TemplateHit(const Problem& problem, int x, int y) {
    const TemplatePicture& t = problem.templatePicture;
    if (!problem.settings.displayTemplate || !t.Present()) return TemplateGrip::None;
    const IntRect r{std::min(t.rect.left, t.rect.right), std::min(t.rect.top, t.rect.bottom),
                    std::max(t.rect.left, t.rect.right), std::max(t.rect.top, t.rect.bottom)};
    if (x < r.left || x > r.right || y < r.top || y > r.bottom) return TemplateGrip::None;
    if (x >= t.rect.right - kGripSize && x <= t.rect.right && y >= t.rect.bottom - kGripSize &&
        y <= t.rect.bottom)
        return TemplateGrip::Resize;
    return TemplateGrip::Move;
}

void BeginTemplateChange(Problem& problem) {
    SaveUndoSnapshot(problem, "Move Template");
    problem.settings.problemSaved = false;
}

void MoveTemplateBy(Problem& problem, int dx, int dy) {
    IntRect& r = problem.templatePicture.rect;
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
    problem.settings.problemSaved = false;
}

void ResizeTemplateTo(Problem& problem, int x, int y, bool keepProportions) {
    TemplatePicture& t = problem.templatePicture;
    const PictureSize size = TemplatePictureSize(t);
    t.rect.right = x;
    t.rect.bottom = y;
    if (keepProportions && size.width > 0)
        t.rect.bottom =
            t.rect.top + static_cast<std::int32_t>(RoundHalfEven(
                             static_cast<Real>(x - t.rect.left) * size.height / size.width));
    problem.settings.problemSaved = false;
}

bool DeleteTemplate(Problem& problem) {
    if (!problem.templatePicture.Present()) return false;
    SaveUndoSnapshot(problem, "Delete Template");
    problem.templatePicture = TemplatePicture{};
    problem.settings.problemSaved = false;
    return true;
}

}  // namespace kova
