#include "files/problem_file.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <limits>
#include <new>
#include <string>
#include <system_error>

#include "expressions/data_files.hpp"
#include "files/file_format_error.hpp"
#include "files/problem_sections.hpp"
#include "files/record_codec.hpp"
#include "files/safe_file_writer.hpp"
#include "geometry/frame_rebuild.hpp"
#include "model/messages.hpp"
#include "model/number_format.hpp"
#include "model/subjects.hpp"
#include "units/unit_labels.hpp"

namespace kova {
namespace {

constexpr int kVersionCapacity = 10;
constexpr int kDrawOrderEntries = kMaxFrames;

// The contour dialog's ranges; other stored values would make the bands meaningless.
constexpr int kMinBands = 5, kMaxBands = 99;
constexpr int kMinLines = 2, kMaxLines = 99;
constexpr int kMaxPalette = 2;

Real FiniteExt(ByteReader& in, const char* what) {
    const std::size_t at = in.Offset();
    const Real v = in.Ext();
    if (!std::isfinite(v)) in.FailAt(at, std::string(what) + " is not a finite number");
    return v;
}

Real PositiveExt(ByteReader& in, const char* what) {
    const std::size_t at = in.Offset();
    const Real v = FiniteExt(in, what);
    if (!(v > 0)) in.FailAt(at, std::string(what) + " is not positive");
    return v;
}

std::uint8_t EnumByte(ByteReader& in, int maxValue, const char* what) {
    const std::size_t at = in.Offset();
    const std::uint8_t v = in.U8();
    if (v > maxValue) in.FailAt(at, std::string("invalid ") + what);
    return v;
}

// ---------------------------------------------------------------------------------------
// Writing

void WriteVersionString(ByteWriter& out, std::string_view versionString) {
    std::string stored(versionString.substr(0, kVersionCapacity));
    if (!stored.empty() && stored[0] == 'X') stored[0] = 'N';
    out.U8(static_cast<std::uint8_t>(stored.size()));
    for (char c : stored) out.U8(static_cast<std::uint8_t>(c));
    out.Zeros(kVersionCapacity - stored.size());
}

void WriteFixedPart(ByteWriter& out, const Problem& p, const FileFormat& format) {
    const ProblemSettings& s = p.settings;
    out.Int(0);  // reserved
    out.Bool(s.displayAxes);
    out.Bool(s.displayGrid);
    out.U8(0);  // reserved display byte
    out.Bool(s.displayNodes);
    out.Bool(s.displayElementLines);
    out.Bool(s.displayPatterns);
    out.Bool(s.displayTemplate);
    out.Bool(s.displayBoundaryConditions);
    out.Ext(s.gridSpacingX);
    out.Ext(s.gridSpacingY);
    out.U8(static_cast<std::uint8_t>(s.subject));
    out.U8(static_cast<std::uint8_t>(s.unitSystem));
    out.Bool(s.timeInHours);
    out.Bool(s.absoluteTemperatures);
    out.Bool(s.transient);
    out.Bool(s.cylindrical);
    out.Ext(s.originX);
    out.Ext(s.originY);
    out.U8(static_cast<std::uint8_t>(s.transMethod));
    out.Int(s.lengthUnitIndex);
    out.Ext(0);  // reserved
    out.Ext(0);  // reserved
    out.Ext(s.drawingScale);
    out.Ext(s.drawingScale);
    out.Ext(s.contourScaleMin);
    out.Ext(s.contourScaleMax);
    out.Ext(s.gradientScaleMin);
    out.Ext(s.gradientScaleMax);
    out.Ext(s.plotScaleMin);
    out.Ext(s.plotScaleMax);
    WritePlotSettings(out, s.plot, format.version >= kVersionPlotLineBytes);
    out.Ext(s.transientStart);
    out.Ext(s.transientStop);
    out.Ext(s.transientStep);
    out.Int(p.nodes.Count());
    out.Int(s.activeNodeCount);
    WriteNodeRecords(out, p);
}

void WriteClosingSections(ByteWriter& out, const Problem& p, const FileFormat& format) {
    out.Int(static_cast<std::int32_t>(p.singularPoints.size()));
    for (const SingularPoint& sp : p.singularPoints) {
        out.Ext(sp.strength);
        out.Int(sp.type);
        out.Int(sp.node);
    }
    out.Ext(p.bernoulliConstant);
    out.Int(kDrawOrderEntries);
    for (std::int32_t k : p.settings.frameDrawOrder) out.Int(k);
    out.Ext(1.0L);  // reserved
    out.Ext(1.0L);  // reserved
    out.Int(p.blood.arterialSpec);
    out.Ext(p.blood.specificHeat);
    if (format.version >= kVersionContourSettings) {
        out.Int(p.settings.bandCount);
        out.Int(p.settings.lineCount);
        out.U8(p.settings.palette);
    }
}

// ---------------------------------------------------------------------------------------
// Reading

void ReadFixedPart(ByteReader& in, Problem& p, const FileFormat& format,
                   SectionReadContext& context) {
    ProblemSettings& s = p.settings;
    (void)in.Int();  // reserved
    s.displayAxes = in.Bool();
    s.displayGrid = in.Bool();
    (void)in.U8();  // reserved display byte
    s.displayNodes = in.Bool();
    s.displayElementLines = in.Bool();
    s.displayPatterns = in.Bool();
    s.displayTemplate = in.Bool();
    s.displayBoundaryConditions = in.Bool();
    s.gridSpacingX = PositiveExt(in, "grid spacing");
    s.gridSpacingY = PositiveExt(in, "grid spacing");
    const std::size_t subjectAt = in.Offset();
    const std::uint8_t subject = in.U8();
    if (!IsSubject(subject)) in.FailAt(subjectAt, "unknown subject");
    SetSubjectLabels(p, static_cast<ProbTypeA>(subject), false);
    s.unitSystem = static_cast<Unittype>(EnumByte(in, 1, "unit system"));
    s.timeInHours = in.Bool();
    s.absoluteTemperatures = in.Bool();
    s.transient = in.Bool();
    p.SetCylindrical(in.Bool());
    s.originX = FiniteExt(in, "origin");
    s.originY = FiniteExt(in, "origin");
    s.transMethod = static_cast<TransMethodType>(EnumByte(in, 1, "transient method"));
    s.lengthUnitIndex = in.Int();
    in.Skip(20);  // two reserved values
    s.drawingScale = PositiveExt(in, "drawing scale");
    (void)in.Ext();  // the second copy of the scale
    // A length unit outside the table falls back to the start-up unit; the pixel length
    // follows the scale, the unit system and the length unit just read.
    SetUnitLabels(p);
    s.contourScaleMin = FiniteExt(in, "scale limit");
    s.contourScaleMax = FiniteExt(in, "scale limit");
    s.gradientScaleMin = FiniteExt(in, "scale limit");
    s.gradientScaleMax = FiniteExt(in, "scale limit");
    s.plotScaleMin = FiniteExt(in, "scale limit");
    s.plotScaleMax = FiniteExt(in, "scale limit");
    s.plot = ReadPlotSettings(in, format.version >= kVersionPlotLineBytes);
    s.transientStart = FiniteExt(in, "transient time");
    s.transientStop = FiniteExt(in, "transient time");
    s.transientStep = FiniteExt(in, "transient time");
    const std::int32_t n = in.Int();
    const std::size_t activeAt = in.Offset();
    const std::int32_t active = in.Int();
    ReadNodeRecords(in, p, n, true, context);
    if (active < 0 || active > n) in.FailAt(activeAt, "active node count beyond the nodes");
    s.activeNodeCount = active;
}

void ApplyMaterialRules(Problem& p, const FileFormat& format) {
    for (int m = 1; m <= kMaterialCount; ++m) {
        Material& material = p.materials[static_cast<std::size_t>(m)];
        if (format.version < kVersionKyOverKx) material.kyOverKx = 1.0L;
        if (p.settings.subject == ProbTypeA::Hydrodynamics) {
            // Porous Media Flow has no density: every material holds the constant 1.
            material.density.compiled.fill(0);
            material.density.constant = 1;
            material.density.value = 1.0L;
        }
    }
}

// Returns the stored frame drawing order (entries beyond the frame count are zero).
std::array<std::int32_t, kMaxFrames> ReadClosingSections(ByteReader& in, Problem& p,
                                                         const FileFormat& format,
                                                         bool& orderValid) {
    const int n = p.nodes.Count();
    const std::int32_t points = in.Int();
    in.CheckCount(points, 10 + 2 * in.IntSize(), "singular point count");
    for (int i = 0; i < points; ++i) {
        const std::size_t at = in.Offset();
        SingularPoint sp;
        sp.strength = in.Ext();
        sp.type = in.Int();
        sp.node = in.Int();
        if (sp.node < 1 || sp.node > n) in.FailAt(at, "singular point outside the node table");
        p.singularPoints.push_back(sp);
    }
    p.bernoulliConstant = in.Ext();

    const std::size_t orderAt = in.Offset();
    const std::int32_t entries = in.Int();
    if (entries < 0 || entries > kDrawOrderEntries) {
        in.FailAt(orderAt, "drawing order count beyond the frame table");
    }
    std::array<std::int32_t, kMaxFrames> order{};
    orderValid = true;
    for (int i = 0; i < entries; ++i) {
        const std::int32_t k = in.Int();
        if (i >= p.frameCount) continue;  // not meaningful
        if (k < 1 || k > p.frameCount) orderValid = false;
        order[static_cast<std::size_t>(i)] = k;
    }
    if (entries < p.frameCount) orderValid = false;

    in.Skip(20);  // two reserved values
    const std::size_t bloodAt = in.Offset();
    p.blood.arterialSpec = in.Int();
    if (p.blood.arterialSpec < 0 || p.blood.arterialSpec > p.specs.Count()) {
        in.FailAt(bloodAt, "blood temperature specification outside the table");
    }
    p.blood.specificHeat = in.Ext();

    ProblemSettings& s = p.settings;
    if (format.version >= kVersionContourSettings && !in.AtEnd()) {
        try {
            const std::int32_t bands = in.Int();
            const std::int32_t lines = in.Int();
            const std::uint8_t palette = in.U8();
            if (bands >= kMinBands && bands <= kMaxBands && lines >= kMinLines &&
                lines <= kMaxLines && palette <= kMaxPalette) {
                s.bandCount = bands;
                s.lineCount = lines;
                s.palette = palette;
            }
        } catch (const FileFormatError&) {
            // An unreadable end keeps the defaults; the problem itself is complete.
        }
    }
    return order;
}

// ---------------------------------------------------------------------------------------
// The settings that ProblemReset keeps; a refused file must not change them.

struct KeptSettings {
    explicit KeptSettings(const Problem& p)
        : subject(p.settings.subject),
          unitSystem(p.settings.unitSystem),
          timeInHours(p.settings.timeInHours),
          absoluteTemperatures(p.settings.absoluteTemperatures),
          gridSpacingX(p.settings.gridSpacingX),
          gridSpacingY(p.settings.gridSpacingY),
          lengthUnitIndex(p.settings.lengthUnitIndex),
          drawingScale(p.settings.drawingScale),
          materials(p.materials) {}

    // Puts the settings back and empties the problem.
    void RestoreAndReset(Problem& p) const {
        SetSubjectLabels(p, subject, false);
        p.settings.unitSystem = unitSystem;
        p.settings.timeInHours = timeInHours;
        p.settings.absoluteTemperatures = absoluteTemperatures;
        p.settings.gridSpacingX = gridSpacingX;
        p.settings.gridSpacingY = gridSpacingY;
        p.settings.lengthUnitIndex = lengthUnitIndex;
        p.settings.drawingScale = drawingScale;
        p.materials = materials;
        p.ProblemReset();
    }

    ProbTypeA subject;
    Unittype unitSystem;
    bool timeInHours;
    bool absoluteTemperatures;
    Real gridSpacingX;
    Real gridSpacingY;
    std::int32_t lengthUnitIndex;
    Real drawingScale;
    std::array<Material, kMaterialCount + 1> materials;
};

// A subject that has no cylindrical form is solved in Cartesian geometry; a file that
// holds the combination opens switched, and says so. The file itself keeps its setting
// until the user saves the problem.
void SwitchToCartesianWhereRequired(Problem& p) {
    if (!p.settings.cylindrical || CylindricalGeometryAvailable(p.settings.subject)) return;
    p.SetCylindrical(false);
    p.reporter().ShowError(CartesianOnlyMessage(p.settings.subject));
}

// Loads an image into a problem that was just reset.
bool LoadIntoResetProblem(Problem& p, std::span<const std::uint8_t> bytes, const std::string& path,
                          const KeptSettings& kept, const ExpressionCompiler& compile) {
    std::string failure;
    try {
        DecodeProblemFile(p, bytes);
    } catch (const FileFormatError& e) {
        failure = e.GetKind() == FileFormatError::Kind::NodeTableAllocation
                      ? "Error reading file " + path
                      : "Error in reading file " + path;
    } catch (const std::bad_alloc&) {
        failure = "Error in reading file " + path;
    }
    if (!failure.empty()) {
        kept.RestoreAndReset(p);
        p.reporter().ShowError(failure);
        p.reporter().ShowStatusText("", StatusPanel::Info);
        return false;
    }
    const RecompileResult recompiled = RecompileLoadedExpressions(p, compile);
    if (const std::string message = FailedExpressionsMessage(recompiled); !message.empty()) {
        p.reporter().ShowError(message);
    }
    SwitchToCartesianWhereRequired(p);
    p.settings.problemSaved = true;
    p.reporter().ShowStatusText("", StatusPanel::Info);
    return true;
}

// Reads a whole file; false when it cannot be opened (and `opened` is false) or read.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, bool& opened) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    opened = file != nullptr;
    if (!opened) return false;
    bool ok = true;
    try {
        // Room for the whole file at once, so that the bytes are not moved as they come.
        // Only for a regular file: a folder or a device reports no meaningful size (a
        // folder's read fails below).
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error)) {
            const std::uintmax_t size = std::filesystem::file_size(path, error);
            if (!error && size > 0 && size < std::numeric_limits<std::uint32_t>::max()) {
                try {
                    bytes.reserve(bytes.size() + static_cast<std::size_t>(size));
                } catch (const std::exception&) {
                }
            }
        }
        std::array<std::uint8_t, 65536> buffer;
        for (;;) {
            const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file);
            bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + got);
            if (got < buffer.size()) {
                ok = std::ferror(file) == 0;
                break;
            }
        }
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    std::fclose(file);
    return ok;
}

// The error box of a failed save.
std::string SaveFailureMessage(const FileWriteResult& result, const std::string& path) {
    switch (result.status) {
        case FileWriteStatus::NotWritable:
            return GetMessage(MessageId::FileLocked);
        case FileWriteStatus::OutOfSpace:
            return GetMessage(MessageId::ErrorWritingFile);
        case FileWriteStatus::NoFolder:
        case FileWriteStatus::FolderNotWritable:
        case FileWriteStatus::NotRegularFile:
            return "Cannot open file " + path;
        case FileWriteStatus::IsDirectory:
        case FileWriteStatus::WriteFailed:
        case FileWriteStatus::Written:
            break;
    }
    return "Error " + std::to_string(result.error) + " occurred while writing the file";
}

}  // namespace

FileFormat ParseVersionString(std::string_view characters) {
    FileFormat format;
    char first = characters.empty() ? '\0' : characters[0];
    if (first == 'N') first = 'X';
    format.width = first == kVersionString[0] ? IntegerWidth::Wide : IntegerWidth::Legacy;
    if (characters.size() > 1) {
        const std::string_view number = characters.substr(1);
        long double value = 0;
        const auto [end, ec] = RealFromChars(number.data(), number.data() + number.size(), value);
        if (ec == std::errc() && end == number.data() + number.size() && std::isfinite(value)) {
            format.version = value;
        }
    }
    return format;
}

std::vector<std::uint8_t> EncodeProblemFile(Problem& p, std::string_view versionString) {
    const FileFormat format = ParseVersionString(versionString.substr(0, kVersionCapacity));
    ByteWriter out(format.width);
    WriteVersionString(out, versionString);
    WriteFixedPart(out, p, format);
    WriteLineSection(out, p);
    WriteFrameSection(out, p);
    WriteSpecSection(out, p);
    WriteMaterialSection(out, p);
    WriteTextSection(out, p);
    WriteTemplateSection(out, p);
    WriteGroupSection(out, p);
    WriteClosingSections(out, p, format);
    return out.Take();
}

void DecodeProblemFile(Problem& p, std::span<const std::uint8_t> bytes) {
    ByteReader head(bytes);
    const std::uint8_t length = head.U8();
    if (length > kVersionCapacity) head.FailAt(0, "version string longer than its field");
    const auto characters = head.Bytes(kVersionCapacity);
    const FileFormat format = ParseVersionString(
        std::string_view(reinterpret_cast<const char*>(characters.data()), length));

    ByteReader in(bytes, format.width);
    in.Skip(kVersionCapacity + 1);
    SectionReadContext context;
    context.limitOutlinesToSegments = true;
    ReadFixedPart(in, p, format, context);
    ReadLineSection(in, p, context);
    ReadFrameSection(in, p, context);
    context.CheckFrames(p.frameCount);
    ReadSpecSection(in, p, false);
    context.CheckSpecs(p.specs.Count());
    ReadMaterialSection(in, p);
    ApplyMaterialRules(p, format);
    ReadTextSection(in, p);
    if (format.version < kVersionTextAngle) {
        for (TextItem& t : p.texts) t.angle = 0;
    }
    ReadTemplateSection(in, p);
    ReadGroupSection(in, p);
    bool orderValid = false;
    const auto order = ReadClosingSections(in, p, format, orderValid);

    RebuildLoadedGeometry(p);
    // The stored drawing order is kept when it names the frames; otherwise the order the
    // rebuild computed stands.
    if (orderValid) p.settings.frameDrawOrder = order;
}

bool WriteProblemFile(Problem& p, const std::string& path) {
    Reporter& reporter = p.reporter();
    std::vector<std::uint8_t> image;
    try {
        image = EncodeProblemFile(p);
    } catch (const std::bad_alloc&) {
        reporter.ShowError(std::string(kMsgNoMemoryForOperation));
        return false;
    }
    const FileWriteResult result = WriteFileSafely(path, image);
    if (!result.Ok()) {
        reporter.ShowError(SaveFailureMessage(result, path));
        return false;
    }
    p.settings.problemSaved = true;
    return true;
}

bool ReadProblemFile(Problem& p, const std::string& path, const ExpressionCompiler& compile) {
    p.reporter().ShowStatusText(kMsgReadingFile, StatusPanel::Info);
    const KeptSettings kept(p);
    p.ProblemReset();
    std::vector<std::uint8_t> bytes;
    bool opened = false;
    if (!ReadWholeFile(path, bytes, opened)) {
        p.reporter().ShowError((opened ? "Error in reading file " : "Cannot open file ") + path);
        p.reporter().ShowStatusText("", StatusPanel::Info);
        return false;
    }
    // Data files named in the problem's expressions are looked for next to it as well.
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    if (!ec) DataFilesOf(p).problemDirectory = absolute.parent_path();
    return LoadIntoResetProblem(p, bytes, path, kept, compile);
}

bool ReadProblemImage(Problem& p, std::span<const std::uint8_t> bytes, const std::string& path,
                      const ExpressionCompiler& compile) {
    p.reporter().ShowStatusText(kMsgReadingFile, StatusPanel::Info);
    const KeptSettings kept(p);
    p.ProblemReset();
    return LoadIntoResetProblem(p, bytes, path, kept, compile);
}

}  // namespace kova
