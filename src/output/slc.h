#pragma once
// SLC slice files: a stack of horizontal cross-sections for rapid-prototyping machines.
//
// Layout (little-endian, 32-bit floats and unsigned integers):
//   header text  "-SLCVER 2.0 -UNIT MM|INCH -TYPE PART -PACKAGE Orivanta 4.0 -EXTENTS
//                 x0,x1,y0,y1,z0,z1" then CR LF 0x1A, no terminating zero;
//   reserved     256 spaces;
//   sampling     one byte with the entry count, then per entry four floats: minimum Z level,
//                layer thickness, line-width compensation, reserved;
//   layers       float Z, uint32 boundary count, then per boundary uint32 vertex count,
//                uint32 gap count and the vertices as float pairs, the first repeated last;
//   terminator   float Z, uint32 0xFFFFFFFF.
#include <array>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "model/design_file.h"
#include "output/mesh_writer.h"

namespace orv {

class Progress;

struct SlcPoint {
    float x = 0, y = 0;
    friend bool operator==(const SlcPoint&, const SlcPoint&) = default;
};

// One closed boundary as stored: the first vertex is repeated at the end, so a boundary of
// n distinct vertices holds n + 1 points.
struct SlcBoundary {
    std::vector<SlcPoint> points;
};

struct SlcLayer {
    float z = 0;
    std::vector<SlcBoundary> boundaries;  // empty for the record that closes a part below a gap
};

struct SlcSampling {
    float minZ = 0, thickness = 0, lineWidth = 0, reserved = 0;
};

// Min X, max X, min Y, max Y, min Z, max Z in the file's unit.
using SlcExtents = std::array<float, 6>;

// A whole slice file in memory, coordinates in the file's own unit.
struct SliceFile {
    bool inch = false;
    SlcExtents extents{};
    std::vector<SlcSampling> sampling;  // at least one entry in a file that was read
    std::vector<SlcLayer> layers;
    float terminatorZ = 0;

    // The thickness of the last sampling entry: the one the layers are built with.
    float thickness() const { return sampling.empty() ? 0.0f : sampling.back().thickness; }
    // Factor from the file's unit to millimetres.
    float toMillimetres() const { return inch ? 25.4f : 1.0f; }
};

// ---- writing ----

inline constexpr size_t kSlcReservedBytes = 256;
// The header's extent fields are "%10.3f"; values beyond these are written as the bound.
inline constexpr double kSlcExtentMin = -99999.999;
inline constexpr double kSlcExtentMax = 999999.999;

// The header text including CR LF 0x1A. Its length depends on the unit only (132 bytes for
// millimetres, 134 for inches), so the header can be rewritten in place once the real extents
// are known.
std::string slcHeaderText(bool inch, const SlcExtents& extents);

// Writes a slice file in order: begin, layers, end. Boundaries are written as given; the
// caller repeats the first vertex at the end. ok() turns false once the stream fails.
class SlcWriter {
  public:
    explicit SlcWriter(std::ostream& out) : out_(out) {}

    // Header, reserved block and a sampling table of one entry with `thickness`.
    void begin(bool inch, const SlcExtents& extents, float thickness);
    void layer(float z, std::span<const SlcBoundary> boundaries);
    // A layer of vertex runs laid end to end: boundary b holds the points from starts[b] up to
    // starts[b + 1] (or the end). Saves the slicer copying its contours.
    void layer(float z, std::span<const SlcPoint> points, std::span<const uint32_t> starts);
    void emptyLayer(float z);
    void terminator(float z);
    // Seeks back to the start and writes the header again with new extents.
    void rewriteHeader(bool inch, const SlcExtents& extents);
    bool ok() const { return out_.good(); }

  private:
    void put(uint32_t v);
    void put(float v);
    std::ostream& out_;
    std::vector<char> buffer_;
};

// ---- reading ----

enum SlcReadError : int {
    kSlcNotSlc = -1,     // does not begin with "-SLC" or has no header end (byte 26)
    kSlcTruncated = -2,  // ends before the terminator
    kSlcBadCount = -3,   // a count larger than the rest of the file could hold
    kSlcCannotOpen = -4,
};

// Reads a slice file image into `out`. Returns the number of layer records, or a negative
// SlcReadError. Counts are checked against the bytes that remain before anything is
// allocated, so a damaged file never costs more memory than its own size. Bytes after the
// terminator are ignored.
int64_t readSlc(std::span<const uint8_t> bytes, SliceFile& out);
// The same from a file; kSlcCannotOpen when it cannot be read.
int64_t loadSlc(const std::filesystem::path& path, SliceFile& out);

// "name" -> "name.slc"; a name with a dot among its last four characters keeps its own
// extension.
std::filesystem::path withDefaultExtension(const std::filesystem::path& path,
                                           std::string_view extension);
// "ring.slc" -> "ring"; only an extension of at most three characters after the dot is removed.
std::filesystem::path withoutShortExtension(const std::filesystem::path& path);

// ---- converting to a mesh ----

// How the file's layers sit in the model: slices across Z (the usual frame), or across X for
// the side-on height maps, whose file (x, y) and level Z map back to model (-Z, y, x).
enum class SliceFrame { AcrossZ, AcrossX };

enum class SliceMeshFormat { StlAscii, StlBinary, DxfFaces };

enum class OutputStatus {
    Ok,
    Cancelled,      // the user stopped it; nothing was written
    CannotOpen,     // the input could not be read
    InvalidFormat,  // the input is not a readable slice file
    CannotWrite,
    NothingToSlice,  // no shown solid, or one without extent along some axis
    BadSettings,
};
// The UI string shown for a status (10018, 10016, 10015, ...); 0 when there is none.
int messageId(OutputStatus status);

// Every layer as a slab: walls along each boundary and, with caps, the layer's region
// (outer boundaries minus holes) at the slab's top and, facing down, at its bottom. A slab
// reaches from its level up one thickness; it starts at the top of the previous record when
// that lies within half a thickness, so stacked slabs share their planes exactly.
// Boundaries are wound by their nesting (outer ones anticlockwise, holes clockwise seen from
// above) whatever their order in the file, so the mesh faces out. Coordinates are turned into
// millimetres. Returns false when `progress` reports a cancel (one step per layer).
bool slicesToMesh(const SliceFile& file, MeshWriter& writer, bool caps, SliceFrame frame,
                  Progress* progress = nullptr);

// Converts a slice file image into the bytes of a mesh file.
OutputStatus convertSlices(std::span<const uint8_t> slc, SliceMeshFormat format, bool caps,
                           SliceFrame frame, std::vector<uint8_t>& out,
                           Progress* progress = nullptr);
// Converts a slice file into a mesh file, written whole or not at all.
OutputStatus convertSliceFile(const std::filesystem::path& slc, const std::filesystem::path& out,
                              SliceMeshFormat format, bool caps, SliceFrame frame,
                              Progress* progress = nullptr);

}  // namespace orv
