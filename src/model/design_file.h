#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "model/document.h"
#include "model/model_object.h"
#include "model/object_list.h"

namespace orv {

inline constexpr char kDesignMagic[] = "MORVELLASIGN0100";  // 16 bytes, no terminator stored
inline constexpr char kViewerMagic[] = "OrivantaViewer0100";  // 18 bytes

// Outcome of a file command; `messageId` maps it to the UI string the user sees.
enum class FileStatus {
    Ok,
    CannotOpen,     // 10018
    InvalidFormat,  // 10016 on open
    NoObjects,      // 10017 on insert (empty file or bad magic)
    CannotWrite,    // 10015
    Damaged,        // the readable objects were kept; the rest of the file is unusable
};
int messageId(FileStatus status);

struct ReadResult {
    ObjectList objects;
    int count = 0;         // objects kept; -1 for a bad magic
    bool damaged = false;  // a record was cut short or impossible; reading stopped there
};

// Reads the records of a design file image. Never throws and never allocates more than the
// bytes could describe.
ReadResult readRecords(std::span<const uint8_t> bytes, const ReadContext& ctx = {});
// The file image of a list: magic, a ':'-prefixed record per object with state >= 0, '#'.
std::vector<uint8_t> designBytes(const ObjectList& objects);

// Writes through a temporary file and replaces the target only once the new contents have
// been read back and compared, so a failed save leaves the old file whole. An existing file
// is kept as NAME.bak first (see backupPath). Clears the document's modified mark.
FileStatus saveDesign(Document& doc, const std::filesystem::path& path);
// Replaces the document's contents. On InvalidFormat or CannotOpen the document is empty;
// on Damaged it holds the objects read before the damage.
FileStatus openDesign(Document& doc, const std::filesystem::path& path);
// Appends the file's objects as one undoable step's worth of additions.
FileStatus insertDesign(Document& doc, const std::filesystem::path& path);
class RecordWriter;
// The viewer file's bytes, scrambled, into `out`.
void writeViewerRecords(const ObjectList& objects, RecordWriter& out, uint32_t seed);
// Scrambled copy for the outside viewer program; never read back.
FileStatus writeViewerFile(const ObjectList& objects, const std::filesystem::path& path,
                           uint32_t seed);

// ring.ovd -> ring.bak, ring -> ring.bak, a.b.design -> a.b.design.bak: a '.' counts as the
// start of an extension only within the last four characters.
std::filesystem::path backupPath(const std::filesystem::path& path);

// Writes `bytes` as `path` through writeFileAtomically, first keeping an existing readable and
// writable file as its backup when asked. The common end of every save and export.
FileStatus replaceFile(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                       bool keepBackup);

// Whole-file helpers that report failure instead of throwing.
bool readFileBytes(const std::filesystem::path& path, std::vector<uint8_t>& out);
// Writes to a sibling temporary file, verifies it, then renames over `path`.
bool writeFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes);

}  // namespace orv
