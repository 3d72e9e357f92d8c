#include "output/slc.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "app/ui_strings.h"
#include "kernel/progress.h"
#include "output/dxf_faces.h"
#include "output/stl.h"
#include "output/triangulate.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kTerminatorMark = 0xFFFFFFFFu;
// A header longer than this is not one of ours nor any sane writer's; it also bounds the search
// for its end mark in a file that is not a slice file at all.
constexpr size_t kMaxHeaderBytes = 2048;

double clampExtent(float f) {
    const double v = f;
    if (!(v >= kSlcExtentMin)) return kSlcExtentMin;  // NaN too
    return std::min(v, kSlcExtentMax);
}

}  // namespace

std::string slcHeaderText(bool inch, const SlcExtents& e) {
    char text[256];
    int n =
        std::snprintf(text, sizeof text,
                      "-SLCVER 2.0 -UNIT %s -TYPE PART -PACKAGE Orivanta 4.0 -EXTENTS "
                      "%10.3f,%10.3f,%10.3f,%10.3f,%10.3f,%10.3f %c%c%c",
                      inch ? "INCH" : "MM", clampExtent(e[0]), clampExtent(e[1]), clampExtent(e[2]),
                      clampExtent(e[3]), clampExtent(e[4]), clampExtent(e[5]), 13, 10, 26);
    return std::string(text, static_cast<size_t>(n));
}

// ---- writer ----

void SlcWriter::put(uint32_t v) {
    char b[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                 static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 24) & 0xFF)};
    buffer_.insert(buffer_.end(), b, b + 4);
}

void SlcWriter::put(float v) {
    put(std::bit_cast<uint32_t>(v));
}

void SlcWriter::begin(bool inch, const SlcExtents& extents, float thickness) {
    std::string header = slcHeaderText(inch, extents);
    out_.write(header.data(), static_cast<std::streamsize>(header.size()));
    std::string reserved(kSlcReservedBytes, ' ');
    out_.write(reserved.data(), static_cast<std::streamsize>(reserved.size()));
    buffer_.clear();
    buffer_.push_back(1);
    for (float v : {0.0f, thickness, 0.0f, 0.0f}) put(v);
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
}

void SlcWriter::layer(float z, std::span<const SlcBoundary> boundaries) {
    buffer_.clear();
    put(z);
    put(static_cast<uint32_t>(boundaries.size()));
    for (const SlcBoundary& b : boundaries) {
        put(static_cast<uint32_t>(b.points.size()));
        put(uint32_t{0});
        for (const SlcPoint& p : b.points) {
            put(p.x);
            put(p.y);
        }
    }
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
}

void SlcWriter::layer(float z, std::span<const SlcPoint> points, std::span<const uint32_t> starts) {
    buffer_.clear();
    put(z);
    put(static_cast<uint32_t>(starts.size()));
    for (size_t b = 0; b < starts.size(); ++b) {
        const size_t from = starts[b];
        const size_t to = b + 1 < starts.size() ? starts[b + 1] : points.size();
        put(static_cast<uint32_t>(to - from));
        put(uint32_t{0});
        for (size_t i = from; i < to; ++i) {
            put(points[i].x);
            put(points[i].y);
        }
    }
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
}

void SlcWriter::emptyLayer(float z) {
    buffer_.clear();
    put(z);
    put(uint32_t{0});
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
}

void SlcWriter::terminator(float z) {
    buffer_.clear();
    put(z);
    put(kTerminatorMark);
    out_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
}

void SlcWriter::rewriteHeader(bool inch, const SlcExtents& extents) {
    std::string header = slcHeaderText(inch, extents);
    const std::streampos end = out_.tellp();
    out_.seekp(0);
    out_.write(header.data(), static_cast<std::streamsize>(header.size()));
    out_.seekp(end);
}

// ---- reader ----

namespace {

class Cursor {
  public:
    explicit Cursor(std::span<const uint8_t> b) : bytes_(b) {}
    size_t left() const { return bytes_.size() - at_; }
    bool skip(size_t n) {
        if (left() < n) return false;
        at_ += n;
        return true;
    }
    bool u32(uint32_t& v) {
        if (left() < 4) return false;
        v = static_cast<uint32_t>(bytes_[at_]) | static_cast<uint32_t>(bytes_[at_ + 1]) << 8 |
            static_cast<uint32_t>(bytes_[at_ + 2]) << 16 |
            static_cast<uint32_t>(bytes_[at_ + 3]) << 24;
        at_ += 4;
        return true;
    }
    bool f32(float& v) {
        uint32_t u;
        if (!u32(u)) return false;
        v = std::bit_cast<float>(u);
        return true;
    }
    bool u8(uint8_t& v) {
        if (left() < 1) return false;
        v = bytes_[at_++];
        return true;
    }

  private:
    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
};

// The word after "-UNIT" decides the unit: inch when it starts with 'I'.
bool headerSaysInch(std::string_view header) {
    size_t at = header.find("-UNIT");
    if (at == std::string_view::npos) return false;
    at += 5;
    while (at < header.size() && (header[at] == ' ' || header[at] == '\t')) ++at;
    return at < header.size() && (header[at] == 'I' || header[at] == 'i');
}

void readExtents(std::string_view header, SlcExtents& e) {
    size_t at = header.find("-EXTENTS");
    if (at == std::string_view::npos) return;
    std::string rest(header.substr(at + 8));
    SlcExtents v{};
    if (std::sscanf(rest.c_str(), "%f,%f,%f,%f,%f,%f", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]) ==
        6)
        e = v;
}

}  // namespace

int64_t readSlc(std::span<const uint8_t> bytes, SliceFile& out) {
    out = SliceFile{};
    if (bytes.size() < 4 || std::memcmp(bytes.data(), "-SLC", 4) != 0) return kSlcNotSlc;
    const size_t limit = std::min(bytes.size(), kMaxHeaderBytes);
    const uint8_t* end = std::find(bytes.data(), bytes.data() + limit, uint8_t{26});
    if (end == bytes.data() + limit) return kSlcNotSlc;
    const size_t headerSize = static_cast<size_t>(end - bytes.data()) + 1;
    std::string_view header(reinterpret_cast<const char*>(bytes.data()), headerSize);
    out.inch = headerSaysInch(header);
    readExtents(header, out.extents);

    Cursor in(bytes.subspan(headerSize));
    uint8_t entries = 0;
    if (!in.skip(kSlcReservedBytes) || !in.u8(entries)) return kSlcTruncated;
    if (entries == 0) return kSlcBadCount;
    for (int i = 0; i < entries; ++i) {
        SlcSampling s;
        if (!in.f32(s.minZ) || !in.f32(s.thickness) || !in.f32(s.lineWidth) || !in.f32(s.reserved))
            return kSlcTruncated;
        out.sampling.push_back(s);
    }
    for (;;) {
        float z;
        uint32_t count;
        if (!in.f32(z) || !in.u32(count)) return kSlcTruncated;
        if (count == kTerminatorMark) {
            out.terminatorZ = z;
            break;
        }
        // Each boundary takes at least its two counts.
        if (count > in.left() / 8) return kSlcBadCount;
        SlcLayer& layer = out.layers.emplace_back();
        layer.z = z;
        layer.boundaries.resize(count);
        for (SlcBoundary& b : layer.boundaries) {
            uint32_t vertices, gaps;
            if (!in.u32(vertices) || !in.u32(gaps)) return kSlcTruncated;
            if (vertices > in.left() / 8) return kSlcBadCount;
            b.points.resize(vertices);
            for (SlcPoint& p : b.points)
                if (!in.f32(p.x) || !in.f32(p.y)) return kSlcTruncated;
        }
    }
    return static_cast<int64_t>(out.layers.size());
}

int64_t loadSlc(const fs::path& path, SliceFile& out) {
    std::vector<uint8_t> bytes;
    out = SliceFile{};
    if (!readFileBytes(path, bytes)) return kSlcCannotOpen;
    return readSlc(bytes, out);
}

fs::path withDefaultExtension(const fs::path& path, std::string_view extension) {
    const std::string name = path.filename().string();
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && name.size() - dot <= 4) return path;
    fs::path out = path;
    out += ".";
    out += std::string(extension);
    return out;
}

fs::path withoutShortExtension(const fs::path& path) {
    const std::string name = path.filename().string();
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.size() - dot > 4) return path;
    return path.parent_path() / name.substr(0, dot);
}

int messageId(OutputStatus status) {
    switch (status) {
        case OutputStatus::CannotOpen:
            return msg::kCannotOpen;
        case OutputStatus::InvalidFormat:
            return msg::kInvalidFormat;
        case OutputStatus::CannotWrite:
            return msg::kCannotWrite;
        default:
            return 0;
    }
}

// ---- conversion to a mesh ----

namespace {

double signedArea(std::span<const SlcPoint> ring) {
    double a = 0;
    for (size_t i = 0, n = ring.size(); i < n; ++i) {
        const SlcPoint& p = ring[i];
        const SlcPoint& q = ring[(i + 1) % n];
        a += static_cast<double>(p.x) * q.y - static_cast<double>(q.x) * p.y;
    }
    return a / 2;
}

bool inside(const SlcPoint& p, std::span<const SlcPoint> ring) {
    bool in = false;
    for (size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const SlcPoint& a = ring[i];
        const SlcPoint& b = ring[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
            in = !in;
    }
    return in;
}

// One boundary of a layer with the facts the mesh needs about it.
struct Ring {
    std::span<const SlcPoint> points;  // without the repeated last vertex
    double area = 0;                   // signed, anticlockwise positive
    int depth = 0;                     // how many other rings enclose it
    int parent = -1;                   // the ring it is a hole of
};

class SlabBuilder {
  public:
    SlabBuilder(MeshWriter& w, SliceFrame frame, float scale)
        : w_(w), frame_(frame), scale_(scale) {}

    void layer(const SlcLayer& layer, float bottom, float top, bool caps) {
        rings_.clear();
        for (const SlcBoundary& b : layer.boundaries) {
            std::span<const SlcPoint> p(b.points);
            if (p.size() >= 2 && p.front() == p.back()) p = p.first(p.size() - 1);
            if (p.size() < 3) continue;
            Ring r;
            r.points = p;
            r.area = signedArea(p);
            if (r.area == 0) continue;
            rings_.push_back(r);
        }
        nest();
        for (const Ring& r : rings_) walls(r, bottom, top);
        if (caps) capAll(bottom, top);
    }

  private:
    Point3 place(float x, float y, float level) const {
        x *= scale_;
        y *= scale_;
        level *= scale_;
        if (frame_ == SliceFrame::AcrossX) return {-level, y, x};
        return {x, y, level};
    }

    void nest() {
        for (size_t i = 0; i < rings_.size(); ++i) {
            for (size_t j = 0; j < rings_.size(); ++j)
                if (i != j && inside(rings_[i].points[0], rings_[j].points)) ++rings_[i].depth;
        }
        for (size_t i = 0; i < rings_.size(); ++i) {
            if (rings_[i].depth % 2 == 0) continue;
            for (size_t j = 0; j < rings_.size(); ++j)
                if (rings_[j].depth == rings_[i].depth - 1 &&
                    inside(rings_[i].points[0], rings_[j].points)) {
                    rings_[i].parent = static_cast<int>(j);
                    break;
                }
        }
    }

    // Outer rings run anticlockwise and holes clockwise when the walls face out.
    void walls(const Ring& r, float bottom, float top) {
        const bool outer = r.depth % 2 == 0;
        const bool flip = (r.area > 0) != outer;
        const size_t n = r.points.size();
        for (size_t i = 0; i < n; ++i) {
            const SlcPoint& a = r.points[i];
            const SlcPoint& b = r.points[(i + 1) % n];
            const Point3 ab = place(a.x, a.y, bottom), bb = place(b.x, b.y, bottom);
            const Point3 at = place(a.x, a.y, top), bt = place(b.x, b.y, top);
            if (flip) {
                w_.triangle(ab, at, bb);
                w_.triangle(bb, at, bt);
            } else {
                w_.triangle(ab, bb, at);
                w_.triangle(bb, bt, at);
            }
        }
    }

    void capAll(float bottom, float top) {
        for (size_t i = 0; i < rings_.size(); ++i) {
            const Ring& outer = rings_[i];
            if (outer.depth % 2 != 0) continue;
            // The outer ring anticlockwise, so the triangles face up.
            std::vector<Point3> poly;
            poly.reserve(outer.points.size());
            for (const SlcPoint& p : outer.points) poly.push_back({p.x, p.y, 0});
            if (outer.area < 0) std::reverse(poly.begin(), poly.end());
            std::vector<PointArray> holes;
            for (const Ring& h : rings_) {
                if (h.parent != static_cast<int>(i)) continue;
                PointArray& hole = holes.emplace_back();
                for (const SlcPoint& p : h.points) hole.push_back({p.x, p.y, 0});
            }
            std::vector<Point3> all = poly;
            for (const PointArray& h : holes) all.insert(all.end(), h.begin(), h.end());
            for (const TriangleIndices& t : triangulatePolygon(poly, holes)) {
                const Point3 &p = all[t[0]], &q = all[t[1]], &r = all[t[2]];
                w_.triangle(place(p.x, p.y, top), place(q.x, q.y, top), place(r.x, r.y, top));
                w_.triangle(place(q.x, q.y, bottom), place(p.x, p.y, bottom),
                            place(r.x, r.y, bottom));
            }
        }
    }

    MeshWriter& w_;
    SliceFrame frame_;
    float scale_;
    std::vector<Ring> rings_;
};

}  // namespace

bool slicesToMesh(const SliceFile& file, MeshWriter& writer, bool caps, SliceFrame frame,
                  Progress* progress) {
    const float h = file.thickness();
    SlabBuilder slabs(writer, frame, file.toMillimetres());
    writer.begin();
    bool cancelled = false;
    float previousTop = 0;
    const size_t n = file.layers.size();
    for (size_t k = 0; k < n; ++k) {
        const SlcLayer& layer = file.layers[k];
        float bottom = layer.z;
        // Stacked slabs share the plane between them exactly; after a gap the slab starts at
        // its own level, so no material appears where the slices found none.
        if (k > 0 && std::fabs(previousTop - layer.z) <= 0.5f * std::fabs(h)) bottom = previousTop;
        const float top = layer.z + h;
        slabs.layer(layer, bottom, top, caps);
        previousTop = top;
        if (!reportProgress(progress, static_cast<double>(k + 1) / static_cast<double>(n))) {
            cancelled = true;
            break;
        }
    }
    writer.end();
    return !cancelled;
}

OutputStatus convertSlices(std::span<const uint8_t> slc, SliceMeshFormat format, bool caps,
                           SliceFrame frame, std::vector<uint8_t>& bytes, Progress* progress) {
    bytes.clear();
    SliceFile file;
    if (readSlc(slc, file) < 0) return OutputStatus::InvalidFormat;
    std::stringstream text(std::ios::in | std::ios::out | std::ios::binary);
    bool finished = false, ok = false;
    switch (format) {
        case SliceMeshFormat::StlAscii: {
            StlAsciiWriter w(text);
            finished = slicesToMesh(file, w, caps, frame, progress);
            ok = w.ok();
            break;
        }
        case SliceMeshFormat::StlBinary: {
            StlBinaryWriter w(text);
            finished = slicesToMesh(file, w, caps, frame, progress);
            ok = w.ok();
            break;
        }
        case SliceMeshFormat::DxfFaces: {
            DxfFaceWriter w(text);
            finished = slicesToMesh(file, w, caps, frame, progress);
            ok = w.ok();
            break;
        }
    }
    if (!finished) return OutputStatus::Cancelled;
    if (!ok) return OutputStatus::CannotWrite;
    const std::string s = text.str();
    bytes.assign(s.begin(), s.end());
    return OutputStatus::Ok;
}

OutputStatus convertSliceFile(const fs::path& slc, const fs::path& out, SliceMeshFormat format,
                              bool caps, SliceFrame frame, Progress* progress) {
    std::vector<uint8_t> in, bytes;
    if (!readFileBytes(slc, in)) return OutputStatus::CannotOpen;
    const OutputStatus s = convertSlices(in, format, caps, frame, bytes, progress);
    if (s != OutputStatus::Ok) return s;
    return writeFileAtomically(out, bytes) ? OutputStatus::Ok : OutputStatus::CannotWrite;
}

}  // namespace orv
