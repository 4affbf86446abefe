// The one problem the program holds: its settings, geometry, specifications, materials,
// texts, template, groups, singular points and blood settings. The application owns one
// instance for its whole run and empties it with ProblemReset; tests make as many as
// they like. Every table is a public member: the editing, solving and file code reads
// and changes them directly, and the operations below keep the derived state current.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "model/boundary_spec_table.hpp"
#include "model/line_list.hpp"
#include "model/node_table.hpp"
#include "model/records.hpp"
#include "model/selection.hpp"
#include "model/subjects.hpp"
#include "platform/reporter.hpp"

namespace kova {

struct DataFileList;  // the data files that expressions look values up in

inline constexpr const char* kVersionString = "X8.035";

// Settings of one problem; all but the marked ones are stored in its file.
struct ProblemSettings {
    std::string versionString = kVersionString;
    bool displayAxes = false;
    bool displayGrid = false;
    bool displayNodes = true;
    bool displayElementLines = true;
    bool displayPatterns = true;
    bool displayTemplate = false;
    bool displayBoundaryConditions = true;
    std::uint8_t displayReserved = 0;
    bool displayNodeNumbers = false;  // not stored
    bool displayText = true;          // not stored
    Real gridSpacingX = 96.0L / 2.54L;
    Real gridSpacingY = 96.0L / 2.54L;
    ProbTypeA subject = ProbTypeA::HeatTrans;
    Unittype unitSystem = Unittype::SI;
    bool timeInHours = false;
    bool absoluteTemperatures = false;
    bool transient = false;
    bool cylindrical = false;
    std::array<char, 2> axisLetters{'X', 'Y'};
    Real originX = 0;
    Real originY = 0;
    TransMethodType transMethod = TransMethodType::CrankN;
    std::int32_t lengthUnitIndex = 2;
    Real drawingScale = 2.54L;
    Real pixelLength = 2.54L / 96.0L * 0.01L;  // derived: base-unit length of one pixel
    Real contourScaleMin = kUnspecified;
    Real contourScaleMax = kUnspecified;
    Real gradientScaleMin = kUnspecified;
    Real gradientScaleMax = kUnspecified;
    Real plotScaleMin = kUnspecified;
    Real plotScaleMax = kUnspecified;
    PlotSettings plot;
    Real transientStart = 0;
    Real transientStop = 0;
    Real transientStep = 0;
    std::int32_t activeNodeCount = 0;
    std::array<std::int32_t, kMaxFrames> frameDrawOrder{};
    std::int32_t bandCount = 10;
    std::int32_t lineCount = 10;
    std::uint8_t palette = 2;
    bool problemSaved = false;  // not stored: the problem equals its file
};

// Run-time state of the input window's view that the geometry arithmetic needs.
struct ViewState {
    Real zoom = 1.0L;  // zoom factor z
    Real scrollX = 0;  // accumulated scroll offsets sx, sy in pixels
    Real scrollY = 0;
    // The input window's client height when the program started; the origin starts at
    // the bottom left corner of the window. Front ends without a window keep this value.
    Real refHeight = 480.0L;
};

// A named undo snapshot: the problem's image in the file layout.
// A named snapshot. `image` is the snapshot image with the template picture's bytes left
// out when `picture` holds them: the bytes never change, so every snapshot shares them.
struct UndoSnapshot {
    std::string name;
    std::vector<std::uint8_t> image;
    TemplatePicture::Bytes picture;
};

class Problem {
public:
    // A problem after the program's start-up: StartupDefaults, then ProblemReset.
    Problem();
    Problem(const Problem&) = delete;
    Problem& operator=(const Problem&) = delete;

    // The initialisation done once per program run; ends with ProblemReset.
    void StartupDefaults();

    // Empties the problem and restores the defaults of a new problem. The subject, unit
    // system, time unit, temperature scale, grid spacing, length unit, drawing scale and
    // materials are kept.
    void ProblemReset();

    // Every editing operation calls this before it changes the model.
    void MarkProblemChanged();

    // Adds a node at (x, y) in drawing pixels; returns its number, or 0 when no memory
    // could be had (reported as message 2).
    int AddNode(Real x, Real y);

    // Appends a new, empty segment with the given own number. On allocation failure
    // reports "Insuffient memory to allocate a new line" and returns null.
    LineSegment* NewLineSegment(int number);

    // Appends a segment joining nodes a and b, smaller node first, with the given side
    // frames: active, no specifications, its own area factor, own number = the new segment
    // count. Null when a equals b, a node does not exist, or no memory could be had (the
    // last reported as by NewLineSegment).
    LineSegment* AddLineSegment(int a, int b, int frameA, int frameB);

    // Unlinks and releases a segment. References to it held by the selection and by
    // groups are dropped with it. Returns false (and changes nothing) when the segment
    // is not in the list.
    bool RemoveLineSegment(const LineSegment* segment);

    // Gives lumps their letters, marks the active nodes and segments and renumbers the
    // nodes so that nodes 1..ActiveNodeCount are exactly those touching distributed
    // material; every reference to a node follows its record.
    void ClassifyNodes();

    // Recomputes frame k's pixel polygon, bounding rectangle, area and volume from its
    // vertex list, and the drawing order of all frames. Regions and nesting are the
    // geometry module's part of rebuilding a frame.
    void UpdateFrameMeasures(int k);

    // Frames by falling bounding-box area; equal areas keep the lower number first.
    void UpdateFrameDrawOrder();

    // Multiplier from a segment's pixel length to its boundary area.
    Real AreaFactor(const LineSegment& segment) const;

    // Recomputes every segment's area factor (cylindrical problems need it after the
    // geometry or the scale changes).
    void UpdateAreaFactors();

    // Distance of a drawing x from the axis in pixels, as the volume uses it.
    Real RadiusPixels(Real x) const { return x + view.scrollX - settings.originX * view.zoom; }

    // DrawingScale / 96 × length factor, divided by the zoom factor.
    void RecomputePixelLength();

    // Geometry switch: Cartesian (X, Y) or cylindrical (R, Z) with its axis letters.
    void SetCylindrical(bool cylindrical);

    // Checked access: null for numbers outside the table.
    Frame* FrameAt(int k);
    const Frame* FrameAt(int k) const;
    Material* MaterialAt(int m);
    const Material* MaterialAt(int m) const;
    bool ValidFrame(int k) const { return k >= 1 && k <= frameCount; }
    bool FrameIsDistributed(int k) const {
        return ValidFrame(k) && frames[k].type == FrameType::Distributed;
    }

    // The reporter that messages go to; a silent one until the application sets its own.
    Reporter& reporter() { return *m_reporter; }
    void SetReporter(Reporter* reporter) { m_reporter = reporter ? reporter : &m_silent; }

    ProblemSettings settings;
    ViewState view;
    SubjectVocabulary vocabulary;

    NodeTable nodes;
    LineList lines;
    FrameTable frames;  // 0 is the exterior
    int frameCount = 0;
    SpecTable specs;
    std::array<Material, kMaterialCount + 1> materials;  // 0 is "unspecified"
    std::list<TextItem> texts;
    std::list<SelectionGroup> groups;  // newest first
    std::list<SingularPoint> singularPoints;
    Real bernoulliConstant = 0;
    TemplatePicture templatePicture;
    BloodSettings blood;
    Selection selection;
    std::deque<UndoSnapshot> undoList;

    // The last-error code: the number of the message describing the last failure, 0 when
    // the last operation that sets it succeeded.
    int errorCode = 0;
    bool resultsCurrent = false;
    int contourKind = 0;  // default contour picture of the subject

    // Data files loaded by FILE lookups; they stay loaded until a new problem is started
    // or the subject changes. Created by the expression module when first needed.
    std::shared_ptr<DataFileList> dataFiles;
    // Set while a problem file is read: a data file that is missing is not reported then.
    bool suppressMissingDataFileMessage = false;

private:
    void RenumberNodes(const std::vector<std::int32_t>& newNumber);

    SilentReporter m_silent;
    Reporter* m_reporter = &m_silent;
};

// Finds or adds a constant specification of `kind` holding `value`: -999 gives 0, a
// matching constant entry is shared, otherwise a new entry is added with the value's text
// in four significant digits. A full table reports "Error 41" and sets error code 41.
int FindOrAddSpecValue(Problem& problem, int kind, Real value);

}  // namespace kova
