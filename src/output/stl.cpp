#include "output/stl.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>
#include <fstream>
#include <limits>
#include <system_error>

#include "model/object_list.h"

namespace orv {

namespace fs = std::filesystem;

StreamBuffer::StreamBuffer(std::ostream& out) : out_(out), data_(kSize) {}

void StreamBuffer::put(const char* text, size_t n) {
    while (n > 0) {
        if (used_ == kSize) flush();
        size_t step = std::min(n, kSize - used_);
        std::memcpy(data_.data() + used_, text, step);
        used_ += step;
        text += step;
        n -= step;
    }
}

void StreamBuffer::flush() {
    if (used_ > 0 && out_.good()) out_.write(data_.data(), static_cast<std::streamsize>(used_));
    used_ = 0;
}

namespace {

template <size_t N>
char* append(char* p, const char (&text)[N]) {
    std::memcpy(p, text, N - 1);
    return p + N - 1;
}

char* putU32(char* p, uint32_t v) {
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>((v >> 8) & 0xFF);
    p[2] = static_cast<char>((v >> 16) & 0xFF);
    p[3] = static_cast<char>((v >> 24) & 0xFF);
    return p + 4;
}

char* putPoint(char* p, const Point3& v) {
    p = putU32(p, std::bit_cast<uint32_t>(v.x));
    p = putU32(p, std::bit_cast<uint32_t>(v.y));
    return putU32(p, std::bit_cast<uint32_t>(v.z));
}

constexpr size_t kHeaderSize = 80;
constexpr size_t kRecordSize = 50;

}  // namespace

// ---- ASCII ----

StlAsciiWriter::StlAsciiWriter(std::ostream& out) : buffer_(out), cache_(size_t{1} << kCacheBits) {}

// C's "%g" of the float promoted to double: six significant digits, trailing zeros dropped,
// at most 12 characters ("-1.23457e+38", "-0.000123457").
char* StlAsciiWriter::appendNumber(char* p, float v) {
    const uint32_t bits = std::bit_cast<uint32_t>(v);
    CachedNumber& c = cache_[(bits * 0x9E3779B1u) >> (32 - kCacheBits)];
    if (c.length == 0 || c.bits != bits) {
        c.bits = bits;
        auto r = std::to_chars(c.text, c.text + sizeof c.text, static_cast<double>(v),
                               std::chars_format::general, 6);
        c.length = static_cast<uint8_t>(r.ptr - c.text);
    }
    std::memcpy(p, c.text, sizeof c.text);  // whole slot: the buffer reserve leaves room
    return p + c.length;
}

char* StlAsciiWriter::appendTriple(char* p, const Point3& v) {
    p = appendNumber(p, v.x);
    *p++ = ' ';
    p = appendNumber(p, v.y);
    *p++ = ' ';
    p = appendNumber(p, v.z);
    *p++ = '\r';
    *p++ = '\n';
    return p;
}

void StlAsciiWriter::begin() {
    count_ = 0;
    static constexpr char kSolid[] = "solid Orivanta\r\n";
    buffer_.put(kSolid, sizeof kSolid - 1);
}

void StlAsciiWriter::writeFacet(const Facet& f) {
    char* const start = buffer_.reserve(StreamBuffer::kReserveLimit);
    char* p = start;
    p = append(p, "    facet normal ");
    p = appendTriple(p, f.normal);
    p = append(p, "        outer loop\r\n");
    for (const Point3& v : f.vertices) {
        p = append(p, "            vertex ");
        p = appendTriple(p, v);
    }
    p = append(p, "        endloop\r\n    endfacet\r\n");
    buffer_.commit(static_cast<size_t>(p - start));
    ++count_;
}

void StlAsciiWriter::end() {
    static constexpr char kEnd[] = "endsolid\r\n";
    buffer_.put(kEnd, sizeof kEnd - 1);
    buffer_.flush();
    buffer_.stream().flush();
}

// ---- binary ----

void StlBinaryWriter::begin() {
    count_ = 0;
    start_ = buffer_.stream().tellp();
    char header[kHeaderSize + 4];
    std::memset(header, ' ', kHeaderSize);
    std::memcpy(header, "Orivanta", 9);  // with its terminating zero byte
    putU32(header + kHeaderSize, 0);     // filled in by end()
    buffer_.put(header, sizeof header);
}

void StlBinaryWriter::writeFacet(const Facet& f) {
    char* p = buffer_.reserve(kRecordSize);
    p = putPoint(p, f.normal);
    for (const Point3& v : f.vertices) p = putPoint(p, v);
    p[0] = p[1] = 0;
    buffer_.commit(kRecordSize);
    ++count_;
}

void StlBinaryWriter::end() {
    buffer_.flush();
    std::ostream& out = buffer_.stream();
    if (count_ > std::numeric_limits<uint32_t>::max() || start_ == std::streampos(-1)) {
        ok_ = false;
        return;
    }
    const std::streampos endAt = out.tellp();
    char count[4];
    putU32(count, static_cast<uint32_t>(count_));
    out.seekp(start_ + static_cast<std::streamoff>(kHeaderSize));
    out.write(count, sizeof count);
    out.seekp(endAt);
    out.flush();
    if (!out) ok_ = false;
}

// ---- streams and files ----

int64_t writeStlAscii(const ObjectList& objects, std::ostream& out,
                      const MeshExportOptions& options) {
    StlAsciiWriter writer(out);
    writeMesh(objects, writer, options);
    return writer.ok() ? static_cast<int64_t>(writer.facetCount()) : -1;
}

int64_t writeStlBinary(const ObjectList& objects, std::ostream& out,
                       const MeshExportOptions& options) {
    StlBinaryWriter writer(out);
    writeMesh(objects, writer, options);
    return writer.ok() ? static_cast<int64_t>(writer.facetCount()) : -1;
}

namespace {

bool syncToDisk(const fs::path& path) {
    int fd = ::open(path.c_str(), O_WRONLY);
    if (fd < 0) return false;
    bool ok = ::fsync(fd) == 0;
    return ::close(fd) == 0 && ok;
}

template <class Writer>
FileStatus writeStlFile(const ObjectList& objects, const fs::path& path,
                        const MeshExportOptions& options) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) return FileStatus::CannotWrite;
    // A read-only target is the user's protection; renaming over it would defeat that.
    if (fs::exists(path, ec) && ::access(path.c_str(), W_OK) != 0) return FileStatus::CannotWrite;
    fs::path temp = path;
    temp += ".saving";
    bool ok = false;
    {
        std::ofstream file(temp, std::ios::binary | std::ios::trunc);
        if (file) {
            Writer writer(file);
            writeMesh(objects, writer, options);
            file.close();
            ok = writer.ok() && !file.fail();
        }
    }
    ok = ok && syncToDisk(temp);
    if (ok) {
        if (fs::exists(path, ec)) fs::permissions(temp, fs::status(path, ec).permissions(), ec);
        fs::rename(temp, path, ec);
        ok = !ec;
    }
    if (!ok) fs::remove(temp, ec);
    return ok ? FileStatus::Ok : FileStatus::CannotWrite;
}

}  // namespace

FileStatus writeStlAscii(const ObjectList& objects, const fs::path& path,
                         const MeshExportOptions& options) {
    return writeStlFile<StlAsciiWriter>(objects, path, options);
}

FileStatus writeStlBinary(const ObjectList& objects, const fs::path& path,
                          const MeshExportOptions& options) {
    return writeStlFile<StlBinaryWriter>(objects, path, options);
}

}  // namespace orv
