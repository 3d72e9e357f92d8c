#pragma once
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <vector>

#include "model/design_file.h"
#include "output/mesh_writer.h"

namespace orv {

class ObjectList;

// Collects output in one fixed block and hands the stream large writes only.
class StreamBuffer {
public:
    explicit StreamBuffer(std::ostream& out);
    // Room for at least `n` more bytes (n at most kReserveLimit); flushes when needed.
    char* reserve(size_t n) {
        if (kSize - used_ < n) flush();
        return data_.data() + used_;
    }
    void commit(size_t n) { used_ += n; }
    void put(const char* text, size_t n);
    void flush();
    std::ostream& stream() { return out_; }
    bool good() const { return out_.good(); }

    static constexpr size_t kSize = size_t{1} << 16;
    static constexpr size_t kReserveLimit = 1024;

private:
    std::ostream& out_;
    std::vector<char> data_;
    size_t used_ = 0;
};

// ASCII STL: "solid Orivanta", one facet block per facet, "endsolid"; every line ends in
// CR LF and numbers are printed as C's "%g" would. Output is buffered; the stream sees large
// writes only.
class StlAsciiWriter final : public FacetWriter {
public:
    explicit StlAsciiWriter(std::ostream& out);
    void begin() override;
    void end() override;

    uint64_t facetCount() const { return count_; }
    // False once the stream has failed.
    bool ok() const { return ok_ && buffer_.good(); }

private:
    void writeFacet(const Facet& facet) override;
    char* appendNumber(char* p, float v);
    char* appendTriple(char* p, const Point3& v);

    // Neighbouring facets share vertices, and the vertices of a grid share coordinates: the
    // text of recent numbers is kept, keyed by their exact bits.
    struct CachedNumber {
        uint32_t bits = 0;
        uint8_t length = 0;  // 0: empty
        char text[16] = {};
    };
    static constexpr int kCacheBits = 14;

    StreamBuffer buffer_;
    std::vector<CachedNumber> cache_;
    uint64_t count_ = 0;
    bool ok_ = true;
};

// Binary STL: an 80-byte header ("Orivanta", a zero byte, 71 spaces), the uint32 facet count
// and a 50-byte little-endian record per facet. end() goes back to fill in the count, so the
// stream must be seekable (a file or a string stream); on one that is not, ok() turns false.
// More facets than a uint32 can count also make ok() false.
class StlBinaryWriter final : public FacetWriter {
public:
    explicit StlBinaryWriter(std::ostream& out) : buffer_(out) {}
    void begin() override;
    void end() override;

    uint64_t facetCount() const { return count_; }
    bool ok() const { return ok_ && buffer_.good(); }

private:
    void writeFacet(const Facet& facet) override;
    StreamBuffer buffer_;
    std::streampos start_ = -1;
    uint64_t count_ = 0;
    bool ok_ = true;
};

// The shown objects of `objects` (see MeshExporter) as an STL file image on `out`. Returns the
// number of facets written, or -1 when the stream failed.
int64_t writeStlAscii(const ObjectList& objects, std::ostream& out,
                      const MeshExportOptions& options = {});
int64_t writeStlBinary(const ObjectList& objects, std::ostream& out,
                       const MeshExportOptions& options = {});

// The same into a file. The file is written beside the target under a temporary name and
// renamed over it only when complete, so a failed export leaves any earlier file whole and no
// partial one behind. CannotWrite when the file cannot be created or written, or when the
// target exists but is read-only or a directory.
FileStatus writeStlAscii(const ObjectList& objects, const std::filesystem::path& path,
                         const MeshExportOptions& options = {});
FileStatus writeStlBinary(const ObjectList& objects, const std::filesystem::path& path,
                          const MeshExportOptions& options = {});

}  // namespace orv
