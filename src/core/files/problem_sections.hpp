// The sections that the problem file and the undo snapshots share: nodes, line segments,
// frames with their vertex lists, specifications, materials, text items, the template
// picture and the selection groups. Readers check every count against the input left and
// every number against the table it refers to before they store it. References to tables
// that come later in the stream (specifications, frames) are collected with their
// offsets and checked once those tables are known.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "files/byte_stream.hpp"
#include "model/problem.hpp"

namespace kova {

// What the section readers learn while reading and check later.
class SectionReadContext {
public:
    // Whether outlines must fit the segments read before them. An outline is walked along
    // the segments, each taken once, and a segment borders at most two frames, so a frame
    // holds at most L + 1 vertices and all frames together at most 2L + F. A problem file
    // is held to that, so that a hostile file cannot make the nesting of its frames take
    // quadratic time in its size; undo snapshots, taken in the middle of edits, are not.
    bool limitOutlinesToSegments = false;

    void ExpectSpec(std::size_t offset, std::int32_t number) {
        Expect(m_specRefs, m_specHighest, m_specNegative, offset, number);
    }
    void ExpectFrame(std::size_t offset, std::int32_t number) {
        Expect(m_frameRefs, m_frameHighest, m_frameNegative, offset, number);
    }
    // Refuses (FileFormatError at the field's record) a reference outside 0..count.
    void CheckSpecs(int specCount) const;
    void CheckFrames(int frameCount) const;

private:
    struct Ref {
        std::size_t offset;
        std::int32_t number;
    };
    // Only the references that can be the first one out of range are kept: the first
    // negative one and each that exceeds every earlier one. Any other reference fails
    // only when an earlier kept one fails too, so the check reports the same offset as a
    // check of every reference would, while a file of a million segments keeps a handful.
    static void Expect(std::vector<Ref>& refs, std::int32_t& highest, bool& negativeSeen,
                       std::size_t offset, std::int32_t number) {
        if (number > highest) {
            highest = number;
            refs.push_back({offset, number});
        } else if (number < 0 && !negativeSeen) {
            negativeSeen = true;
            refs.push_back({offset, number});
        }
    }

    std::vector<Ref> m_specRefs;
    std::vector<Ref> m_frameRefs;
    std::int32_t m_specHighest = 0;
    std::int32_t m_frameHighest = 0;
    bool m_specNegative = false;
    bool m_frameNegative = false;
};

// Node records 1..n into the node table, which is made large enough first: a fresh table
// of n + 50 slots when freshTable is set (reading a file), otherwise the existing slots
// are kept and the table grows by what is missing (restoring a snapshot).
void WriteNodeRecords(ByteWriter& out, const Problem& problem);
void ReadNodeRecords(ByteReader& in, Problem& problem, std::int32_t n, bool freshTable,
                     SectionReadContext& context);

// Line segments: renumbers the list 1..L, then the count and the records.
void WriteLineSection(ByteWriter& out, Problem& problem);
// Appends the stored segments to the (empty) line list.
void ReadLineSection(ByteReader& in, Problem& problem, SectionReadContext& context);

void WriteFrameSection(ByteWriter& out, const Problem& problem);
// Reads frames 1..F (the slots beyond F are emptied) and sets the frame count. The pixel
// polygons, regions and measures are left for RebuildLoadedGeometry (geometry/frame_rebuild.hpp).
void ReadFrameSection(ByteReader& in, Problem& problem, SectionReadContext& context);

void WriteSpecSection(ByteWriter& out, const Problem& problem);
// Replaces the specification table's entries 1..S by the stored records; with
// keepEntriesBeyond, entries after S stay (an undo keeps entries made since).
void ReadSpecSection(ByteReader& in, Problem& problem, bool keepEntriesBeyond);

void WriteMaterialSection(ByteWriter& out, const Problem& problem);
void ReadMaterialSection(ByteReader& in, Problem& problem);

void WriteTextSection(ByteWriter& out, const Problem& problem);
// Appends the stored text items to the (empty) text list, unselected.
void ReadTextSection(ByteReader& in, Problem& problem);

// The picture section; without `withBytes` the picture's bytes are left out (an undo
// snapshot keeps them beside its image, shared with the problem).
void WriteTemplateSection(ByteWriter& out, const Problem& problem, bool withBytes = true);
// Reads the section; given `shared`, the bytes were left out and are those.
void ReadTemplateSection(ByteReader& in, Problem& problem,
                         const TemplatePicture::Bytes& shared = nullptr);

// Groups, in list order; line items are written as the numbers the line section gave.
void WriteGroupSection(ByteWriter& out, const Problem& problem);
// Appends the stored groups; line items are resolved to the segments of that number (an
// unknown number gives an empty item), other items are checked against the nodes and
// frames they name.
void ReadGroupSection(ByteReader& in, Problem& problem);

}  // namespace kova
