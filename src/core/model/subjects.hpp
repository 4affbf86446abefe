// The eight subjects that share one field equation: their vocabulary, menu captions,
// forced settings and material libraries.
#pragma once

#include <string>

#include "model/records.hpp"

namespace kova {

class Problem;

// What a subject calls things; an empty text means the subject has no such item.
struct SubjectVocabulary {
    std::string menuItem;       // "Heat Transfer"
    std::string menuName;       // HeatTransferM
    char variableLetter = 'T';  // T, V, M, S or H
    std::string gradientX;      // "DT\DX"
    std::string gradientY;      // "DT\DY"
    std::string fluxName = "FLUX";
    int menuOrder = 1;
    bool forcesSteady = false;
    bool forcesSI = false;
    int defaultContourKind = 0;   // 0 shaded bands, 2 isopotential lines
    std::string nodeValueLabel;   // "T="
    std::string lineEndLabel;     // "T("
    std::string fluxLabel;        // "Heat flux="
    std::string generationLabel;  // "Gen=", empty when none
    std::string lumpCaption;      // "Fluid/Lump"
    // Menu captions; empty when the item is hidden.
    bool transientEnabled = true;
    bool temperatureItemsShown = true;
    std::string generationItem;
    std::string initialValuesItem;  // without its first word's switch (Initial/Guess)
    std::string bloodItem;
    std::string valuesItem;
    std::string valuesVsTimeItem;
    std::string contoursItem;
    std::string gradientsItem;
    std::string flowsItem;
    std::string flowVsTimeItem;
    bool cylindricalEnabled = true;
    // Material properties the property dialog asks for.
    bool asksDensity = true;
    bool asksSpecificHeat = true;
    bool asksPerfusion = false;
    bool asksFinProperty = false;
    bool densityForcedToOne = false;
};

// The vocabulary of a subject (Nada gives Heat Transfer's words).
const SubjectVocabulary& VocabularyOf(ProbTypeA subject);

// True for codes 1..8.
bool IsSubject(int code);

// Whether the subject can be solved in cylindrical geometry. Extended Surfaces and
// Potential Flow cannot: a thin plate has no axisymmetric form, and the axisymmetric
// stream function obeys another equation than the r-weighted one the solver assembles.
// The Cylindrical menu item is disabled for them.
bool CylindricalGeometryAvailable(ProbTypeA subject);

// The message shown when a problem that holds such a subject in cylindrical geometry is
// opened and switched to Cartesian geometry.
std::string CartesianOnlyMessage(ProbTypeA subject);

// Whether the field equation of the subject has unit conductivity. Potential Flow's
// material holds the fluid's density in its conductivity block; the density enters the
// pressures only, while the stream function obeys Laplace's equation.
bool HasUnitConductivity(ProbTypeA subject);

// Stores the subject, applies its forced settings and vocabulary, resets material 0 and,
// with loadLibrary, loads materials 1..20 from the subject's library as they are stored
// (in SI units). SetSubjectLabels (units/unit_labels.hpp) also brings the loaded
// materials and the unit settings in line with the unit system.
void ApplySubject(Problem& problem, ProbTypeA subject, bool loadLibrary);

// Fills a material from a library entry "name|grid|colour|k|rho|c|perfusion" of the
// given subject.
void LoadLibraryMaterial(Material& material, const std::string& entry, ProbTypeA subject);

// Resets material 0, the "unspecified" material.
void ResetUnspecifiedMaterial(Material& material);

}  // namespace kova
