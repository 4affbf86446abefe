#include "model/subjects.hpp"

#include <array>
#include <charconv>
#include <string_view>
#include <vector>

#include "model/messages.hpp"
#include "model/number_format.hpp"
#include "model/problem.hpp"

namespace kova {
namespace {

SubjectVocabulary Heat() {
    SubjectVocabulary v;
    v.menuItem = "Heat Transfer";
    v.menuName = "HeatTransferM";
    v.variableLetter = 'T';
    v.gradientX = "DT\\DX";
    v.gradientY = "DT\\DY";
    v.menuOrder = 1;
    v.nodeValueLabel = "T=";
    v.lineEndLabel = "T(";
    v.fluxLabel = "Heat flux=";
    v.generationLabel = "Gen=";
    v.lumpCaption = "Fluid/Lump";
    v.generationItem = "Generation";
    v.initialValuesItem = "Initial Temperatures";
    v.valuesItem = "Temperatures";
    v.valuesVsTimeItem = "Temperatures vs Time";
    v.contoursItem = "Temperature Contours";
    v.gradientsItem = "Gradients";
    v.flowsItem = "Heat Flows";
    v.flowVsTimeItem = "Energy Flow vs Time";
    return v;
}

// The voltage-like subjects share their variable and most captions.
SubjectVocabulary Electric(const char* menu, const char* name, int order) {
    SubjectVocabulary v;
    v.menuItem = menu;
    v.menuName = name;
    v.variableLetter = 'V';
    v.gradientX = "DV\\DX";
    v.gradientY = "DV\\DY";
    v.menuOrder = order;
    v.forcesSteady = true;
    v.forcesSI = true;
    v.nodeValueLabel = "V=";
    v.lineEndLabel = "V(";
    v.lumpCaption = "Ideal Conductor";
    v.temperatureItemsShown = false;
    v.valuesItem = "Voltages";
    v.contoursItem = "Voltage Contours";
    return v;
}

std::array<SubjectVocabulary, 9> BuildVocabularies() {
    std::array<SubjectVocabulary, 9> t;
    t[0] = Heat();
    t[1] = Heat();

    SubjectVocabulary& ec = t[2] = Electric("Electric Currents", "ElectricCurrentsM", 3);
    ec.forcesSteady = true;
    ec.fluxLabel = "Current density=";
    ec.initialValuesItem = "Initial Voltages";
    ec.valuesVsTimeItem = "Voltage vs Time";
    ec.gradientsItem = "Current Density";
    ec.flowsItem = "Current";
    ec.asksDensity = false;

    SubjectVocabulary& es = t[3] = Electric("Electrostatics", "ElectrostaticsM", 4);
    es.fluxLabel = "Charge density=";
    es.generationLabel = "rho=";
    es.transientEnabled = false;
    es.generationItem = "Volume Charge Density";
    es.gradientsItem = "Electric Flux Density";
    es.flowsItem = "Charge";
    es.asksDensity = es.asksSpecificHeat = false;

    SubjectVocabulary& ms = t[4];
    ms.menuItem = "Magnetostatics";
    ms.menuName = "MagnetostaticsM";
    ms.variableLetter = 'M';
    ms.gradientX = "DM\\DX";
    ms.gradientY = "DM\\DY";
    ms.menuOrder = 5;
    ms.forcesSteady = ms.forcesSI = true;
    ms.nodeValueLabel = "M=";
    ms.lineEndLabel = "M(";
    ms.fluxLabel = "Mag. potential=";
    ms.generationLabel = "J=";
    ms.lumpCaption = "Infinite mu";
    ms.transientEnabled = false;
    ms.temperatureItemsShown = false;
    ms.valuesItem = "Magnetic Potentials";
    ms.contoursItem = "Potential Contours";
    ms.gradientsItem = "Flux Density";
    ms.flowsItem = "Magnetic Flux";
    ms.asksDensity = ms.asksSpecificHeat = false;

    SubjectVocabulary& bio = t[5] = Heat();
    bio.menuItem = "Bio-Heat Transfer";
    bio.menuName = "BioHeatTransferM";
    bio.menuOrder = 6;
    bio.bloodItem = "Blood Properties";
    bio.asksPerfusion = true;

    SubjectVocabulary& pf = t[6];
    pf.menuItem = "Potential Flow";
    pf.menuName = "PotentialFlowM";
    pf.variableLetter = 'S';
    pf.gradientX = "DS\\DX";
    pf.gradientY = "DS\\DY";
    pf.menuOrder = 7;
    pf.forcesSteady = pf.forcesSI = true;
    pf.defaultContourKind = 2;
    pf.nodeValueLabel = "S=";
    pf.lineEndLabel = "Psi(";
    pf.fluxLabel = "Velocity=";
    pf.lumpCaption = "Lump";
    pf.transientEnabled = false;
    pf.temperatureItemsShown = false;
    pf.generationItem = "Bernoulli Constant";
    pf.valuesItem = "Stream Function Values";
    pf.contoursItem = "Stream Function Contours";
    pf.gradientsItem = "Pressure Contours";
    pf.asksDensity = pf.asksSpecificHeat = false;
    pf.cylindricalEnabled = false;

    SubjectVocabulary& pm = t[7];
    pm.menuItem = "Porous Media Flow";
    pm.menuName = "PorousMediaFlowM";
    pm.variableLetter = 'H';
    pm.gradientX = "DH\\DX";
    pm.gradientY = "DH\\DY";
    pm.menuOrder = 8;
    pm.defaultContourKind = 2;
    pm.nodeValueLabel = "H=";
    pm.lineEndLabel = "H(";
    pm.fluxLabel = "Vol. flux=";
    pm.generationLabel = "AR=";
    pm.lumpCaption = "Mixed Fluid";
    pm.temperatureItemsShown = false;
    pm.initialValuesItem = "Initial Head Values";
    pm.valuesItem = "Head Values";
    pm.valuesVsTimeItem = "Head vs Time";
    pm.contoursItem = "Head Contours";
    pm.gradientsItem = "Volumetric Flux";
    pm.flowsItem = "Volumetric Flow";
    pm.flowVsTimeItem = "Vol. Flow vs Time";
    pm.asksDensity = false;
    pm.densityForcedToOne = true;

    SubjectVocabulary& fin = t[8] = Heat();
    fin.menuItem = "Extended Surfaces";
    fin.menuName = "ThinFinsM";
    fin.menuOrder = 2;
    fin.generationLabel.clear();
    fin.bloodItem = "Surface Conditions";
    fin.cylindricalEnabled = false;
    fin.asksFinProperty = true;
    return t;
}

const std::array<SubjectVocabulary, 9>& Vocabularies() {
    static const std::array<SubjectVocabulary, 9> table = BuildVocabularies();
    return table;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// Library integers are read with surrounding blanks ignored ("8 " reads as 8); a field
// that is not a number gives 0.
int FieldInt(std::string_view s) {
    s = Trim(s);
    int v = 0;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return ec == std::errc() && ptr == s.data() + s.size() ? v : 0;
}

Real FieldReal(std::string_view s) {
    s = Trim(s);
    Real v = 0;
    auto [ptr, ec] = RealFromChars(s.data(), s.data() + s.size(), v);
    return ec == std::errc() && ptr == s.data() + s.size() ? v : 0;
}

void SetLibraryProperty(BoundarySpec& block, Real value) {
    block = BoundarySpec{};
    block.kind = kSpecProperty;
    block.constant = 1;
    block.value = value;
    block.text = FormatGeneral(value, 4);
    block.compiled[0] = 1.0L;
}

}  // namespace

const SubjectVocabulary& VocabularyOf(ProbTypeA subject) {
    const int code = static_cast<int>(subject);
    return Vocabularies()[static_cast<std::size_t>(IsSubject(code) ? code : 1)];
}

bool IsSubject(int code) {
    return code >= 1 && code <= 8;
}

bool CylindricalGeometryAvailable(ProbTypeA subject) {
    return VocabularyOf(subject).cylindricalEnabled;
}

std::string CartesianOnlyMessage(ProbTypeA subject) {
    return VocabularyOf(subject).menuItem +
           " problems are solved in Cartesian geometry; this problem has been switched to "
           "Cartesian geometry, which is stored when the problem is saved.";
}

bool HasUnitConductivity(ProbTypeA subject) {
    return subject == ProbTypeA::Potential;
}

void ResetUnspecifiedMaterial(Material& material) {
    material.name = "unspecified";
    material.colorGridIndex = 15;
    material.color = 0x00FFFFFF;
    for (BoundarySpec* b :
         {&material.density, &material.specificHeat, &material.conductivity, &material.perfusion})
        b->text.clear();
    material.reserved = 0;
}

void LoadLibraryMaterial(Material& material, const std::string& entry, ProbTypeA subject) {
    material.reserved = 0;
    material.fillPattern = -1;
    std::vector<std::string_view> fields;
    std::string_view rest = entry;
    for (;;) {
        const std::size_t bar = rest.find('|');
        fields.push_back(rest.substr(0, bar));
        if (bar == std::string_view::npos) break;
        rest.remove_prefix(bar + 1);
    }
    fields.resize(7);
    material.name = std::string(fields[0].substr(0, 25));
    int grid = FieldInt(fields[1]);
    if (grid > 15) grid -= 15;
    material.colorGridIndex = static_cast<std::int16_t>(grid);
    material.color = FieldInt(fields[2]);
    SetLibraryProperty(material.conductivity, FieldReal(fields[3]));
    SetLibraryProperty(material.density, FieldReal(fields[4]));
    SetLibraryProperty(material.specificHeat, FieldReal(fields[5]));
    SetLibraryProperty(material.perfusion, FieldReal(fields[6]));
    if (subject == ProbTypeA::Potential) material.conductivity = material.density;
}

void ApplySubject(Problem& problem, ProbTypeA subject, bool loadLibrary) {
    problem.settings.subject = subject;
    const SubjectVocabulary& v = VocabularyOf(subject);
    problem.vocabulary = v;
    if (v.forcesSteady) problem.settings.transient = false;
    if (v.forcesSI) problem.settings.unitSystem = Unittype::SI;
    problem.contourKind = v.defaultContourKind;
    ResetUnspecifiedMaterial(problem.materials[0]);
    if (loadLibrary && IsSubject(static_cast<int>(subject))) {
        for (int i = 1; i <= kMaterialCount; ++i) {
            Material& m = problem.materials[static_cast<std::size_t>(i)];
            LoadLibraryMaterial(m, MaterialLibraryEntry(static_cast<int>(subject), i), subject);
        }
    }
}

}  // namespace kova
