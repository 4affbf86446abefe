// The typed failure of the problem-file and snapshot readers. It carries the byte offset
// at which the input stopped making sense, for logs and tests; the user sees only the
// reader's message through the Reporter.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace kova {

class FileFormatError : public std::runtime_error {
public:
    enum class Kind {
        Malformed,           // truncated, a count or number out of range, a bad value
        NodeTableAllocation  // the node table could not be enlarged for the file's nodes
    };

    FileFormatError(std::size_t offset, const std::string& what, Kind kind = Kind::Malformed)
        : std::runtime_error(what + " at byte " + std::to_string(offset)),
          m_offset(offset),
          m_kind(kind) {}

    std::size_t Offset() const { return m_offset; }
    Kind GetKind() const { return m_kind; }

private:
    std::size_t m_offset;
    Kind m_kind;
};

}  // namespace kova
