#include "model/selection.hpp"

#include <algorithm>

#include "model/problem.hpp"

namespace kova {

bool Selection::Contains(const SelectRec& item) const {
    return std::find(items.begin(), items.end(), item) != items.end();
}

void ClearSelection(Problem& problem) {
    Selection& sel = problem.selection;
    sel.items.clear();
    Reporter& r = problem.reporter();
    r.ShowStatusText("", StatusPanel::Info);
    const SelectType s = sel.state;
    const bool showsResultTime =
        problem.settings.transient &&
        (s == SelectType::Nodal || s == SelectType::Temps || s == SelectType::Contours ||
         s == SelectType::FluxPt || s == SelectType::Flow);
    if (!showsResultTime) r.ShowStatusText("", StatusPanel::Time);
    sel.previousState = SelectType::Null;
    sel.state = SelectType::None;
}

void AddToSelection(Problem& problem, const SelectRec& item) {
    problem.selection.items.push_back(item);
}

void ToggleItem(Problem& problem, const SelectRec& item) {
    auto& items = problem.selection.items;
    auto it = std::find(items.begin(), items.end(), item);
    if (it != items.end()) {
        items.erase(it);
    } else {
        items.push_back(item);
    }
}

}  // namespace kova
