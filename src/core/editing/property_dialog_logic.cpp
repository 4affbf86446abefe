#include "editing/property_dialog_logic.hpp"

#include "files/undo_snapshots.hpp"
#include "model/messages.hpp"
#include "model/number_format.hpp"
#include "platform/draw_list.hpp"
#include "units/unit_labels.hpp"

namespace kova {
namespace {

constexpr int kHighestPattern = 5;

bool HasAnisotropy(const Problem& problem) {
    return !problem.settings.cylindrical && problem.settings.subject != ProbTypeA::Potential;
}

// The subject's label of the first property row.
std::string ConductLabel(ProbTypeA subject) {
    switch (subject) {
        case ProbTypeA::ElecFieldNC:
            return " Permittivity = ";
        case ProbTypeA::MagField:
            return "Permeability = ";
        case ProbTypeA::Potential:
            return "  Density = ";
        default:
            return "Conductivity = ";
    }
}

std::string RatioText(Real ratio) {
    return FormatGeneral(ratio, 6);
}

// Rows, labels and units of the subject; the type display then adjusts the first row.
void SetSubjectRows(const Problem& problem, PropertyDialogState& s) {
    const ProbTypeA subject = problem.settings.subject;
    s.conduct.label = ConductLabel(subject);
    s.conduct.unit = UnitLabel(problem, Quantity::Conductivity);
    s.density = {"Density = ", UnitLabel(problem, Quantity::Density), {}, {}, false, true};
    s.specHeat = {
        "Specific heat = ", UnitLabel(problem, Quantity::SpecificHeat), {}, {}, false, true};
    s.perfusion = {"Perfusion = ", UnitLabel(problem, Quantity::Perfusion), {}, {}, false, true};
    switch (subject) {
        case ProbTypeA::ElecFieldC:
            s.specHeat.label = " Capacitance = ";
            s.specHeat.visible = true;
            break;
        case ProbTypeA::ElecFieldNC:
        case ProbTypeA::MagField:
        case ProbTypeA::Potential:
            break;
        case ProbTypeA::Hydrodynamics:
            // The density row carries the storage (the specific-heat block).
            s.density.label = "Storage = ";
            s.density.unit = UnitLabel(problem, Quantity::SpecificHeat);
            s.density.visible = true;
            break;
        case ProbTypeA::Bio:
            s.density.visible = s.specHeat.visible = s.perfusion.visible = true;
            break;
        case ProbTypeA::ThinFins:
            s.density.visible = s.specHeat.visible = s.perfusion.visible = true;
            s.perfusion.label = "Thickness = ";
            s.perfusion.unit = UnitLabel(problem, Quantity::Length);
            break;
        default:
            s.density.visible = s.specHeat.visible = true;
            break;
    }
}

void RefreshTypeDisplay(const Problem& problem, PropertyDialogState& s) {
    if (s.type == FrameType::Anisotropic && !HasAnisotropy(problem))
        s.type = FrameType::Distributed;
    const bool fins = problem.settings.subject == ProbTypeA::ThinFins;
    const auto& axes = problem.settings.axisLetters;
    const std::string letter(1, problem.vocabulary.variableLetter);
    std::string hint = GetMessage(MessageId::PropertiesMayBeFunctionOf) + letter;
    if (s.type == FrameType::Lumped) {
        if (fins) s.perfusion.visible = false;
        s.kykx.visible = false;
        s.conduct.visible = false;
        s.typeCaption = problem.vocabulary.lumpCaption;
        hint += " and/or Time";
    } else {
        const bool aniso = s.type == FrameType::Anisotropic;
        s.typeCaption = aniso ? "Anisotropic ky/kx=" : "Distributed";
        s.kykx.visible = aniso;
        s.conduct.label = aniso ? "x-Conductivity = " : ConductLabel(problem.settings.subject);
        s.conduct.visible = true;
        if (fins) s.perfusion.visible = true;
        hint += std::string(", ") + axes[0] + ", " + axes[1] + " and/or Time";
    }
    s.hint = hint;
}

void LoadMaterial(const Problem& problem, PropertyDialogState& s) {
    const Material& m = problem.materials[static_cast<std::size_t>(s.propNo)];
    const bool porous = problem.settings.subject == ProbTypeA::Hydrodynamics;
    s.name = m.name;
    s.conduct.Show(m.conductivity.text);
    s.density.Show(porous ? m.specificHeat.text : m.density.text);
    s.specHeat.Show(m.specificHeat.text);
    s.perfusion.Show(problem.settings.subject == ProbTypeA::Bio ? m.perfusion.text : "");
    s.colorIndex = m.colorGridIndex;
    s.colorPicked = false;
    s.pattern = (m.fillPattern >= -1 && m.fillPattern <= kHighestPattern) ? m.fillPattern : -1;
    // The ratio belongs to the material: it shows with the type it implies.
    s.kykx.Show(m.anisotropic != 0 ? RatioText(m.kyOverKx) : "1");
    const int first = s.frames.empty() ? 0 : s.frames.front();
    if (problem.ValidFrame(first) && problem.frames[first].IsLump()) {
        s.type = FrameType::Lumped;
    } else {
        s.type = m.anisotropic != 0 ? FrameType::Anisotropic : FrameType::Distributed;
        if (problem.ValidFrame(first) && problem.settings.subject == ProbTypeA::ThinFins)
            s.perfusion.Show(FormatGeneral(problem.frames[first].finThickness, 6));
    }
    RefreshTypeDisplay(problem, s);
}

void HideAllRows(PropertyDialogState& s) {
    for (DialogField* f : {&s.conduct, &s.density, &s.specHeat, &s.perfusion, &s.kykx})
        f->visible = false;
}

}  // namespace

PropertyDialogState OpenPropertyDialog(const Problem& problem) {
    PropertyDialogState s;
    for (int m = 1; m <= kMaterialCount; ++m)
        s.names.push_back(problem.materials[static_cast<std::size_t>(m)].name);
    SetSubjectRows(problem, s);
    s.kykx.Show("1");
    s.frames = SelectedFrames(problem);
    if (!s.frames.empty()) {
        const int material = problem.frames[s.frames.front()].material;
        s.propNo = (material >= 1 && material <= kMaterialCount) ? material : 1;
    }
    LoadMaterial(problem, s);
    if (problem.selection.state == SelectType::Lumps && !s.frames.empty() &&
        problem.frames[s.frames.front()].subtracted != 0) {
        s.holeFrame = s.frames.front();
        s.propNo = 0;
        s.name = "hole";
        HideAllRows(s);
    }
    return s;
}

void SelectMaterial(const Problem& problem, PropertyDialogState& s, int item) {
    if (item < 0 || item >= kMaterialCount) return;
    if (s.ShowsHole()) {
        s.holeMadeSolid = true;
        SetSubjectRows(problem, s);
    }
    s.propNo = item + 1;
    LoadMaterial(problem, s);
}

void ClickType(const Problem& problem, PropertyDialogState& s) {
    if (s.ShowsHole()) return;
    switch (s.type) {
        case FrameType::Distributed:
            s.type = HasAnisotropy(problem) ? FrameType::Anisotropic : FrameType::Lumped;
            break;
        case FrameType::Anisotropic:
            s.type = FrameType::Lumped;
            break;
        default:
            s.type = FrameType::Distributed;
            break;
    }
    RefreshTypeDisplay(problem, s);
}

void EditName(PropertyDialogState& s, const std::string& text) {
    s.name = text;
    if (!s.ShowsHole()) s.names[static_cast<std::size_t>(s.propNo - 1)] = text;
}

DialogResult ApplyPropertyDialog(Problem& problem, const PropertyDialogState& s) {
    DialogResult r;
    if (s.ShowsHole()) {
        Refuse(problem, "PropertiesBox", GetMessage(MessageId::ClickOnPropertyName), r);
        return r;
    }
    const ProbTypeA subject = problem.settings.subject;
    Material m = problem.materials[static_cast<std::size_t>(s.propNo)];
    m.name = CutToCharacters(s.name, kMaterialNameLength);
    // A library colour index outside the grid stays until the user picks a colour.
    if (s.colorPicked || (m.colorGridIndex >= 0 && m.colorGridIndex <= 15)) {
        m.colorGridIndex = static_cast<std::int16_t>(s.colorIndex);
        const Rgb c = ColorGridColor(s.colorIndex);
        m.color = static_cast<std::int32_t>(c.r | (c.g << 8) | (c.b << 16));
    }
    m.fillPattern = static_cast<std::int16_t>(s.pattern);

    const bool lump = s.type == FrameType::Lumped;
    auto read = [&](const DialogField& f, BoundarySpec& block, const char* name) {
        return !f.visible || CompileMaterialField(problem, f.text, block, lump, name, r);
    };
    bool ok = true;
    switch (subject) {
        case ProbTypeA::ElecFieldNC:
        case ProbTypeA::MagField:
        case ProbTypeA::Potential:
            ok = read(s.conduct, m.conductivity, "ConductEdit");
            break;
        case ProbTypeA::Hydrodynamics:
            m.density.constant = 1;
            m.density.compiled[0] = 0;
            m.density.value = 1.0L;
            ok = read(s.conduct, m.conductivity, "ConductEdit") &&
                 read(s.density, m.specificHeat, "DensityEdit");
            break;
        default:
            ok = read(s.conduct, m.conductivity, "ConductEdit") &&
                 (subject == ProbTypeA::ElecFieldC || read(s.density, m.density, "DensityEdit")) &&
                 read(s.specHeat, m.specificHeat, "SpecHeatEdit") &&
                 (subject != ProbTypeA::Bio || read(s.perfusion, m.perfusion, "PerfusionEdit"));
            break;
    }
    if (ok && s.kykx.visible) {
        // An untouched ratio keeps its stored value exactly.
        Real ratio = m.kyOverKx;
        if (!(s.kykx.Unchanged() && m.anisotropic != 0))
            ok =
                ReadNumberText(problem, s.kykx.text, 0, 1E99L, kAboveMinimum, "kykxedit", r, ratio);
        m.kyOverKx = ratio;
        m.anisotropic = 1;
    } else if (ok) {
        m.kyOverKx = 1.0L;
        m.anisotropic = 0;
    }
    bool setThickness = false;
    Real thickness = 0;
    if (ok && subject == ProbTypeA::ThinFins && s.perfusion.visible && !s.perfusion.Unchanged()) {
        ok = ReadNumberText(problem, s.perfusion.text, 0, 1, kAboveMinimum, "PerfusionEdit", r,
                            thickness);
        setThickness = ok;
    }
    if (!ok) return r;

    SaveUndoSnapshot(problem, "Properties");
    problem.MarkProblemChanged();
    problem.materials[static_cast<std::size_t>(s.propNo)] = m;
    const FrameType stored = lump ? FrameType::Lumped : FrameType::Distributed;
    for (int k : s.frames) {
        Frame& f = problem.frames[k];
        f.material = s.propNo;
        f.type = stored;
        if (setThickness) f.finThickness = thickness;
        if (lump) {
            for (LineSegment& seg : problem.lines)
                if ((seg.frameA == k || seg.frameB == k) && seg.valueSpec > 0) seg.valueSpec = 0;
        } else {
            f.subtracted = 0;
        }
    }
    if (s.holeMadeSolid && problem.ValidFrame(s.holeFrame))
        problem.frames[s.holeFrame].subtracted = 0;
    problem.ClassifyNodes();
    return r;
}

}  // namespace kova
