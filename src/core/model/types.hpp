// Basic numeric types, enumerations and limits shared by every part of the core.
#pragma once

#include <cstdint>

namespace kova {

// All reals of a problem are 80-bit extended values on x86-64; the problem file stores
// them as 10-byte images (see files/extended_codec).
using Real = long double;

// -999 marks an unspecified number in real-valued fields (initial values, lump values,
// scale limits).
inline constexpr Real kUnspecified = -999.0L;

// 9.99e99 (and its negative) stands for an infinite value in tables and typed input.
inline constexpr Real kInfinityMarker = 9.99e99L;

inline constexpr int kNodeLimit = 20000;  // nodes a geometry command may create
inline constexpr int kMaxFrames = 60;     // frames 1..60; slot 0 is the exterior
inline constexpr int kFrameSlots = kMaxFrames + 1;
inline constexpr int kMaxSpecs = 1000;         // SpecTable entries 1..1000
inline constexpr int kMaterialCount = 20;      // materials 1..20; 0 is "unspecified"
inline constexpr int kCompiledSize = 51;       // entries of a compiled expression
inline constexpr int kSpecTextCapacity = 128;  // characters of a specification text

// The eight subjects; Nada only while a file is being read.
enum class ProbTypeA : std::uint8_t {
    Nada = 0,
    HeatTrans = 1,
    ElecFieldC = 2,
    ElecFieldNC = 3,
    MagField = 4,
    Bio = 5,
    Potential = 6,
    Hydrodynamics = 7,
    ThinFins = 8,
};

enum class FrameType : std::uint8_t { Distributed = 0, Lumped = 1, fluid = 2, Anisotropic = 3 };

enum class Unittype : std::uint8_t { SI = 0, Eng = 1 };

enum class TransMethodType : std::uint8_t { Euler = 0, CrankN = 1 };

enum class OrientationType : std::uint8_t { Horiz = 0, Vert = 1, Inclined = 2 };

enum class TextMode : std::uint8_t { opaq = 0, trans = 1 };

// What the selection holds or what the window in front is doing; the stored value is
// the position in this list.
enum class SelectType : std::uint8_t {
    Frames,
    Lumps,
    Points,
    Lines,
    Bounds,
    None,
    Null,
    Help,
    TextM,
    Temps,
    TempvsTime,
    Contours,
    FluxPt,
    Flow,
    FlowvsTime,
    TabOut,
    Nodal,
    LineErrors,
    NodeErrors,
    Templat,
    TableOut,
};
inline constexpr int kSelectTypeCount = 21;

// Whether a selection or group of this kind holds node numbers.
constexpr bool HoldsNodes(SelectType kind) {
    return kind == SelectType::Points || kind == SelectType::Nodal;
}

// Specification kinds.
enum SpecKind : std::uint8_t {
    kSpecValue = 1,       // a value of the field variable
    kSpecFlux = 2,        // a flux
    kSpecTransfer = 3,    // a transfer coefficient
    kSpecGeneration = 4,  // a generation rate
    kSpecProperty = 5,    // a material property block
};

// round(x) with halves to the even neighbour, as used everywhere in the program.
long long RoundHalfEven(Real x);

}  // namespace kova
