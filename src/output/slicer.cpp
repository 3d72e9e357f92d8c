#include "output/slicer.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "model/design_file.h"
#include "model/object_list.h"

namespace orv {

namespace fs = std::filesystem;

// ---- dialog ----

namespace {

constexpr double kSolidscape[] = {0.0127, 0.0254, 0.0381, 0.0508, 0.0762};
constexpr double kViper[] = {0.01, 0.02, 0.05, 0.1, 0.2, 0.5};
constexpr double kInvision[] = {0.0254};
constexpr double kPerfactory[] = {0.01, 0.015, 0.02, 0.025, 0.05};
constexpr double kEden[] = {0.016};
constexpr double kDigitalWax[] = {0.02, 0.03, 0.04, 0.05, 0.06};

constexpr RpMachine kMachines[] = {
    {"Solidscape", kSolidscape},           {"3D Systems Viper", kViper},
    {"3D Systems Invision HR", kInvision}, {"EnvisionTec Perfactory", kPerfactory},
    {"OBJET Eden System", kEden},          {"Next Factory DigitalWax", kDigitalWax},
};

constexpr double kMinValue = 0.0001, kMaxValue = 10000;
// Below this a slice thickness cannot make a grid, whatever the dialog allowed.
constexpr double kMinThicknessMm = 0.00001;
// With auto XY offset the grid starts this many cells from the file's origin.
constexpr double kAutoXyCells = 2000;

bool inRange(double v) {
    return v >= kMinValue && v <= kMaxValue;
}

}  // namespace

std::span<const RpMachine> rpMachines() {
    return kMachines;
}

std::vector<double> thicknessPresets(int machine, ThicknessUnit unit) {
    std::vector<double> out;
    if (machine < 0 || machine >= static_cast<int>(std::size(kMachines))) return out;
    for (double v : kMachines[machine].presets)
        out.push_back(unit == ThicknessUnit::Inch ? v / 25.4 : v);
    return out;
}

void SliceSettings::setMachine(int index) {
    if (index < 0 || index >= static_cast<int>(std::size(kMachines))) return;
    machine = index;
    thickness = thicknessPresets(machine, unit).front();
}

void SliceSettings::setUnit(ThicknessUnit u) {
    unit = u;
    if (!(thickness > 0)) thickness = thicknessPresets(machine, unit).front();
}

namespace {

using SetText = std::string (*)(SliceSettings&, std::string_view);
using GetText = std::string (*)(const SliceSettings&);

DialogField<SliceSettings> textField(const char* label, SetText set, GetText get) {
    DialogField<SliceSettings> f;
    f.label = label;
    f.set = set;
    f.get = get;
    return f;
}

std::string setFileName(SliceSettings& s, std::string_view t) {
    s.fileName = std::string(t);
    return {};
}

std::string getFileName(const SliceSettings& s) {
    return s.fileName;
}

std::string setUnitText(SliceSettings& s, std::string_view t) {
    if (sameLabel(t, "mm")) {
        s.setUnit(ThicknessUnit::Mm);
    } else if (sameLabel(t, "inch")) {
        s.setUnit(ThicknessUnit::Inch);
    } else {
        return "\"" + std::string(t) + "\" is not one of mm, inch";
    }
    return {};
}

std::string getUnitText(const SliceSettings& s) {
    return s.unit == ThicknessUnit::Inch ? "inch" : "mm";
}

// By name, or by its place in the list (0-5).
std::string setMachineText(SliceSettings& s, std::string_view t) {
    for (size_t i = 0; i < std::size(kMachines); ++i)
        if (sameLabel(t, kMachines[i].name)) {
            s.setMachine(static_cast<int>(i));
            return {};
        }
    if (auto n = parseInteger(t); n && *n >= 0 && *n < static_cast<int>(std::size(kMachines))) {
        s.setMachine(*n);
        return {};
    }
    std::string known;
    for (const auto& m : kMachines) known += (known.empty() ? "" : ", ") + std::string(m.name);
    return "\"" + std::string(t) + "\" is not one of " + known;
}

std::string getMachineText(const SliceSettings& s) {
    return std::string(kMachines[s.machine].name);
}

}  // namespace

const std::vector<DialogField<SliceSettings>>& SliceSettings::fields() {
    using S = SliceSettings;
    static const auto list = [] {
        std::vector<DialogField<S>> f;
        f.push_back(textField("Slice File", setFileName, getFileName));
        f.push_back(textField("Unit", setUnitText, getUnitText));
        f.back().choices = {"mm", "inch"};
        f.push_back(numberField("Slice thickness", &S::thickness));
        f.push_back(textField("RP Machine", setMachineText, getMachineText));
        for (const RpMachine& m : kMachines) f.back().choices.emplace_back(m.name);
        f.push_back(checkField("Advanced Settings", &S::advanced));
        f.push_back(numberField("XY resolution", &S::xyResolution));
        f.back().choices = {"0.00635", "0.0127", "0.0254", "0.025", "0.05", "0.1"};
        f.push_back(checkField("Auto XY offset", &S::autoXyOffset));
        f.push_back(checkField("Auto  Z  offset", &S::autoZOffset));
        f.push_back(checkField("Also output STL file", &S::alsoStl));
        f.push_back(radioField("ASCII", &S::stlFormat, StlFormat::Ascii, StlFormat::Binary));
        f.push_back(radioField("Binary", &S::stlFormat, StlFormat::Binary, StlFormat::Ascii));
        return withDefaults(std::move(f));
    }();
    return list;
}

std::string validate(const SliceSettings& s) {
    if (!inRange(s.thickness))
        return "Slice thickness must be between 0.0001 and 10000 (" + formatNumber(s.thickness) +
               " " + (s.unit == ThicknessUnit::Inch ? "inch" : "mm") + " given)";
    if (s.advanced && !inRange(s.xyResolution))
        return "XY resolution must be between 0.0001 and 10000 mm (" +
               formatNumber(s.xyResolution) + " given)";
    return {};
}

SliceJob SliceJob::from(const SliceSettings& s) {
    SliceJob j;
    j.inch = s.unit == ThicknessUnit::Inch;
    j.thickness = s.thicknessMm();
    j.xy = s.effectiveXy();
    j.autoXyOffset = s.effectiveAutoXy();
    j.autoZOffset = s.effectiveAutoZ();
    return j;
}

// ---- contour tracing ----

void ContourTracer::clear() {
    chains_.clear();
    open_.clear();
    next_.clear();
    points_.clear();
    starts_.clear();
    any_ = false;
}

int ContourTracer::resolve(int chain) {
    while (chains_[chain].mergedInto >= 0) chain = chains_[chain].mergedInto;
    return chain;
}

int ContourTracer::newChain(int row, const TraceEnd& first, const TraceEnd& last) {
    Chain c;
    const float y = static_cast<float>(row);
    c.back = {{first.x, y}, {last.x, y}};
    c.tail = {first.x, first.dx, first.segment, false};
    c.head = {last.x, last.dx, last.segment, false};
    chains_.push_back(std::move(c));
    return static_cast<int>(chains_.size() - 1);
}

namespace {

// A corner that falls on the previous crossing is that vertex already.
bool samePlace(const SlcPoint& a, const SlcPoint& b) {
    constexpr float kSameCell = 1e-5f;
    return std::fabs(a.x - b.x) < kSameCell && std::fabs(a.y - b.y) < kSameCell;
}

}  // namespace

void ContourTracer::extendHead(int chain, int row, const TraceEnd& e) {
    Chain& c = chains_[chain];
    SlcPoint p;
    if (step(c.head, row, e, p))
        c.back.back() = p;
    else if (!samePlace(p, c.back.back()))
        c.back.push_back(p);
}

void ContourTracer::extendTail(int chain, int row, const TraceEnd& e) {
    Chain& c = chains_[chain];
    SlcPoint& last = c.front.empty() ? c.back.front() : c.front.back();
    SlcPoint p;
    if (step(c.tail, row, e, p))
        last = p;
    else if (!samePlace(p, last))
        c.front.push_back(p);
}

bool ContourTracer::step(EndState& s, int row, const TraceEnd& e, SlcPoint& p) {
    const float y = static_cast<float>(row);
    bool replace = false;
    // Neighbouring facets of one flat face cut the slice along one line: their crossings
    // continue each other as if they came from one segment.
    constexpr float kSameLine = 1e-4f;
    const bool sameLine =
        e.segment == s.segment ||
        (std::fabs(e.dx - s.lastDx) <= kSameLine * std::max(1.0f, std::fabs(e.dx)) &&
         std::fabs(s.lastX + s.lastDx - e.x) <= kSameLine * std::max(1.0f, std::fabs(e.x)));
    if (sameLine) {
        p = {e.x, y};
        replace = s.twice;
        s.twice = true;
    } else {
        // The corner where the two segments' lines meet, when it lies between the rows.
        const float d = s.lastDx + s.lastX - e.x;
        const float delta = s.lastDx - e.dx;
        if ((delta > 0 && d >= 0 && d <= delta) || (delta < 0 && d <= 0 && d >= delta)) {
            const float u = d / delta;
            p = {e.x - u * e.dx, y - u};
            // The corner lies further along the old segment's line than the last vertex,
            // which is then no corner at all when the one before it is on that line too.
            replace = s.twice;
        } else {
            p = {e.x, y};
        }
        s.twice = false;
    }
    s.segment = e.segment;
    s.lastX = e.x;
    s.lastDx = e.dx;
    return replace;
}

void ContourTracer::join(int a, int b) {
    a = resolve(a);
    b = resolve(b);
    if (a == b) {
        Chain& c = chains_[a];
        const size_t n = c.front.size() + c.back.size();
        if (n >= 3) {
            starts_.push_back(static_cast<uint32_t>(points_.size()));
            points_.insert(points_.end(), c.front.rbegin(), c.front.rend());
            points_.insert(points_.end(), c.back.begin(), c.back.end());
            points_.push_back(points_[starts_.back()]);
        }
        c.front = {};
        c.back = {};
        return;
    }
    Chain& ca = chains_[a];
    Chain& cb = chains_[b];
    // The path is a's followed by b's; the shorter one is copied onto the longer.
    if (ca.front.size() + ca.back.size() >= cb.front.size() + cb.back.size()) {
        ca.back.insert(ca.back.end(), cb.front.rbegin(), cb.front.rend());
        ca.back.insert(ca.back.end(), cb.back.begin(), cb.back.end());
        ca.head = cb.head;
        cb.front = {};
        cb.back = {};
        cb.mergedInto = a;
    } else {
        cb.front.insert(cb.front.end(), ca.back.rbegin(), ca.back.rend());
        cb.front.insert(cb.front.end(), ca.front.begin(), ca.front.end());
        cb.tail = ca.tail;
        ca.front = {};
        ca.back = {};
        ca.mergedInto = b;
    }
}

void ContourTracer::closeRow() {
    // Intervals without a successor: the top of a part closes here.
    for (const Open& o : open_) join(o.headChain, o.tailChain);
    open_.clear();
}

void ContourTracer::addRow(int row, std::span<const TraceInterval> cur) {
    if (any_ && row != lastRow_ + 1) closeRow();
    any_ = true;
    lastRow_ = row;
    next_.assign(cur.size(), Open{});
    for (size_t j = 0; j < cur.size(); ++j) {
        next_[j].lo = cur[j].lo.x;
        next_[j].hi = cur[j].hi.x;
    }
    auto overlap = [&](size_t i, size_t j) {
        return open_[i].lo < cur[j].hi.x && cur[j].lo.x < open_[i].hi;
    };
    const size_t m = open_.size(), n = cur.size();
    size_t i = 0, j = 0;
    while (i < m || j < n) {
        if (i < m && j < n && overlap(i, j)) {
            // A connected group: previous intervals i..i1 touch current intervals j..j1.
            size_t i1 = i, j1 = j;
            for (;;) {
                if (i1 + 1 < m && overlap(i1 + 1, j1))
                    ++i1;
                else if (j1 + 1 < n && overlap(i1, j1 + 1))
                    ++j1;
                else
                    break;
            }
            const int left = resolve(open_[i].tailChain);
            extendTail(left, row, cur[j].lo);
            const int right = resolve(open_[i1].headChain);
            extendHead(right, row, cur[j1].hi);
            // Gaps of the previous row that end here are the tops of holes.
            for (size_t k = i; k < i1; ++k) join(open_[k].headChain, open_[k + 1].tailChain);
            // Gaps that open here are the bottoms of holes: clockwise, so they start at the
            // right-hand interval's low end.
            for (size_t k = j; k < j1; ++k) {
                const int c = newChain(row, cur[k + 1].lo, cur[k].hi);
                next_[k].headChain = c;
                next_[k + 1].tailChain = c;
            }
            next_[j].tailChain = left;
            next_[j1].headChain = right;
            i = i1 + 1;
            j = j1 + 1;
        } else if (i < m && (j >= n || open_[i].hi <= cur[j].lo.x)) {
            join(open_[i].headChain, open_[i].tailChain);
            ++i;
        } else {
            // The bottom of a new part: anticlockwise, left to right.
            const int c = newChain(row, cur[j].lo, cur[j].hi);
            next_[j].tailChain = c;
            next_[j].headChain = c;
            ++j;
        }
    }
    std::swap(open_, next_);
}

void ContourTracer::finish() {
    closeRow();
    any_ = false;
}

// ---- slicing ----

namespace {

bool sliceable(const ModelObject& o, const std::array<bool, kLayerCount>& layerOn) {
    if (!o.visible() || o.layer < 0 || o.layer >= kLayerCount || !layerOn[o.layer]) return false;
    switch (o.classNumber()) {
        case kClassSurface:
        case kClassFacet:
        case kClassBlock:
        case kClassBoolean:
        case kClassGem:
            return true;
        default:
            return false;
    }
}

// Model (x, y, z) -> (z, y, -x): slices across the model's X axis, file x along model Z.
Matrix4 turnAboutY() {
    Matrix4 m = Matrix4::identity();
    m(0, 0) = 0;
    m(2, 2) = 0;
    m(2, 0) = 1;
    m(0, 2) = -1;
    return m;
}

Matrix4 frameMatrix(SliceFrame f) {
    return f == SliceFrame::AcrossX ? turnAboutY() : Matrix4::identity();
}

}  // namespace

BoundingBox sliceBox(const ObjectList& objects, const SliceJob& job) {
    BoundingBox box;
    const Matrix4 m = frameMatrix(job.frame);
    objects.forEach([&](const ModelObject& o) {
        if (sliceable(o, job.scan.layerOn)) box.grow(o.boundingBox(m));
    });
    return box;
}

SliceReport sliceObjects(const ObjectList& objects, const SliceJob& job, std::ostream& out,
                         Progress* progress) {
    SliceReport report;
    if (!(job.thickness >= kMinThicknessMm) || !std::isfinite(job.thickness) || !(job.xy > 0) ||
        !std::isfinite(job.xy)) {
        report.status = OutputStatus::BadSettings;
        return report;
    }
    const BoundingBox box = sliceBox(objects, job);
    if (box.empty() || !(box.hi.x > box.lo.x && box.hi.y > box.lo.y && box.hi.z > box.lo.z)) {
        report.status = OutputStatus::NothingToSlice;
        return report;
    }
    const double t = job.thickness, c = job.xy, s = job.inch ? 1.0 / 25.4 : 1.0;
    const double nxd = std::ceil((static_cast<double>(box.hi.x) - box.lo.x) / c);
    const double nyd = std::ceil((static_cast<double>(box.hi.y) - box.lo.y) / c);
    const double nzd = std::ceil((static_cast<double>(box.hi.z) - box.lo.z) / t);
    // A grid the evaluator cannot index: refused rather than wrapped around.
    constexpr double kMaxCells = 1 << 30;
    if (nxd > kMaxCells || nyd > kMaxCells || nzd > kMaxCells) {
        report.status = OutputStatus::BadSettings;
        return report;
    }
    const int ny = static_cast<int>(nyd), nz = static_cast<int>(nzd);
    const double nx = nxd;
    const double zBase = std::trunc(box.lo.z / t);
    const double offX = job.autoXyOffset ? kAutoXyCells : box.lo.x / c;
    const double offY = job.autoXyOffset ? kAutoXyCells : box.lo.y / c;
    const double offZ = job.autoZOffset ? 0.0 : zBase;

    SolidEvaluator evaluator;
    const ScanFrame frame =
        ScanFrame::grid(2, 1, 0, Point3{box.lo.x, box.lo.y, static_cast<float>(zBase * t)},
                        {static_cast<float>(t), static_cast<float>(c), static_cast<float>(c)}, ny,
                        frameMatrix(job.frame));
    ScanOptions options = job.scan;
    options.pickedOnly = false;
    options.mode = ScanMode::Geometry;
    // Boxes of objects that hold no solid (an empty Boolean, a subtraction whose base is
    // hidden) give nothing to slice: an empty file is not written as if it were a result.
    if (!evaluator.build(objects, frame, options)) {
        report.status = OutputStatus::NothingToSlice;
        return report;
    }

    const auto f = [](double v) { return static_cast<float>(v); };
    const bool inch = job.inch;
    SlcWriter writer(out);
    const SlcExtents provisional = {f(offX * c * s), f((offX + nx) * c * s),
                                    f(offY * c * s), f((offY + ny) * c * s),
                                    f(offZ * t * s), f((offZ + nz) * t * s)};
    writer.begin(inch, provisional, f(t * s));

    double minX = 1e32, maxX = -1e32, minY = 1e32, maxY = -1e32;
    int counter = 0, lastWritten = 0;
    bool written = false;
    ContourTracer tracer;
    std::vector<TraceInterval> row;
    std::vector<SlcPoint> outPoints;
    bool completed = true;
    for (int k = 0; k < nz; ++k) {
        evaluator.advance(k);
        tracer.clear();
        for (int r = evaluator.firstRow(); r <= evaluator.lastRow(); ++r) {
            std::span<const ScanInterval> in = evaluator.intervals(r);
            if (in.empty()) continue;
            row.clear();
            // The evaluator lists the highest interval first; the tracer wants them rising.
            for (auto it = in.rbegin(); it != in.rend(); ++it)
                row.push_back({{it->lo.run, it->lo.runPerRow, it->lo.segment},
                               {it->hi.run, it->hi.runPerRow, it->hi.segment}});
            tracer.addRow(r, row);
        }
        tracer.finish();
        ++report.slices;

        const size_t contours = tracer.contourCount();
        // With auto Z offset the empty slices below the first contour are skipped, so the
        // part starts at Z = 0; empty slices above it still count, keeping gaps in place.
        if (!job.autoZOffset || contours > 0 || written) ++counter;
        if (contours > 0) {
            if (written && lastWritten + 1 < counter)
                writer.emptyLayer(f((lastWritten + offZ) * t * s));
            outPoints.clear();
            for (const SlcPoint& p : tracer.points()) {
                const double x = (offX + p.x) * c * s, y = (offY + p.y) * c * s;
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
                outPoints.push_back({f(x), f(y)});
            }
            writer.layer(f((counter - 1 + offZ) * t * s), outPoints, tracer.starts());
            report.vertices += static_cast<int64_t>(outPoints.size());
            ++report.layersWritten;
            lastWritten = counter;
            written = true;
        }
        if (!reportProgress(progress, static_cast<double>(k + 1) / nz)) {
            completed = k + 1 == nz;
            break;
        }
    }
    writer.terminator(f((lastWritten + offZ) * t * s));
    SlcExtents final = provisional;
    if (written) {
        final[0] = f(minX - c * s);
        final[1] = f(maxX + c * s);
        final[2] = f(minY - c * s);
        final[3] = f(maxY + c * s);
    }
    writer.rewriteHeader(inch, final);
    if (!completed)
        report.status = OutputStatus::Cancelled;
    else if (!writer.ok())
        report.status = OutputStatus::CannotWrite;
    return report;
}

SliceReport sliceToFile(const ObjectList& objects, const SliceJob& job, const fs::path& path,
                        Progress* progress) {
    std::stringstream out(std::ios::in | std::ios::out | std::ios::binary);
    SliceReport r = sliceObjects(objects, job, out, progress);
    if (r.status != OutputStatus::Ok) return r;
    const std::string bytes = out.str();
    if (!writeFileAtomically(
            path, std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())))
        r.status = OutputStatus::CannotWrite;
    return r;
}

}  // namespace orv
