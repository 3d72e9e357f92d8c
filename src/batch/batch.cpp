#include "batch/batch.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <iostream>
#include <map>
#include <ostream>
#include <random>
#include <sstream>

#include "app/dispatch.h"
#include "app/ui_strings.h"
#include "batch/script.h"
#include "batch/terminal_progress.h"
#include "model/design_file.h"
#include "model/gem_library.h"
#include "model/objects.h"
#include "output/estimate.h"
#include "output/slicer.h"

namespace orv {

namespace fs = std::filesystem;

namespace {

struct Invocation {
    const std::vector<std::string>& args;  // after the subcommand
    const BatchEnvironment& env;
    std::ostream& out;
    std::ostream& err;

    bool flag(const std::string& name) const {
        for (const auto& a : args)
            if (a == name) return true;
        return false;
    }
    std::vector<std::string> positional() const {
        std::vector<std::string> p;
        for (const auto& a : args)
            if (a.rfind("--", 0) != 0) p.push_back(a);
        return p;
    }
};

void report(std::ostream& err, FileStatus status, const fs::path& path) {
    err << path.string() << ": " << uiText(messageId(status)) << "\n";
}

std::shared_ptr<GemLibrary> gemLibrary(const BatchEnvironment& env) {
    return std::make_shared<GemLibrary>(env.programDirectory / "gemlib");
}

// Opens a design for a batch command; a damaged file is reported and refused, so that no
// output is ever made silently from half a design.
bool openForBatch(Document& doc, const fs::path& path, std::ostream& err) {
    FileStatus s = openDesign(doc, path);
    if (s == FileStatus::Ok) return true;
    report(err, s, path);
    return false;
}

const char* className(uint32_t n) {
    switch (n) {
        case kClassCurve: return "curve";
        case kClassSurface: return "surface";
        case kClassFacet: return "facet";
        case kClassBlock: return "block";
        case kClassBoolean: return "boolean";
        case kClassTLine: return "tline";
        case kClassGem: return "gem";
        default: return "ncpath";
    }
}

std::string jsonNumber(float v) {
    if (!std::isfinite(v)) return "null";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
    return buf;
}

std::string jsonString(const std::string& s) {
    std::string r = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            r += '\\';
            r += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            r += buf;
        } else {
            r += static_cast<char>(c);
        }
    }
    return r + "\"";
}

std::string jsonPoint(const Point3& p) {
    // Appended piece by piece: GCC 12 at -O3 warns falsely about chained string sums here.
    std::string r = "[";
    r.append(jsonNumber(p.x)).append(",").append(jsonNumber(p.y)).append(",").append(jsonNumber(p.z));
    return r.append("]");
}

int cmdInfo(const Invocation& inv) {
    auto files = inv.positional();
    if (files.size() != 1) {
        inv.err << "usage: orivanta-batch info FILE [--json]\n";
        return 2;
    }
    Document doc(gemLibrary(inv.env));
    FileStatus s = openDesign(doc, files[0]);
    if (s == FileStatus::CannotOpen || s == FileStatus::InvalidFormat) {
        report(inv.err, s, files[0]);
        return 1;
    }
    bool json = inv.flag("--json");
    if (json) inv.out << "{\"objects\": [";
    size_t n = 0;
    doc.objects().forEach([&](const ModelObject& o) {
        BoundingBox box = o.boundingBox(Matrix4::identity());
        auto* cv = dynamic_cast<const CvObject*>(&o);
        if (json) {
            inv.out << (n ? ",\n  " : "\n  ") << "{\"class\": " << o.classNumber()
                    << ", \"className\": \"" << className(o.classNumber())
                    << "\", \"state\": " << o.state << ", \"layer\": " << o.layer;
            if (cv) inv.out << ", \"cvCount\": " << cv->cvCount();
            inv.out << ", \"material\": "
                    << (o.materialName.empty() ? "null" : jsonString(o.materialName))
                    << ", \"bbox\": ";
            if (box.empty())
                inv.out << "null";
            else
                inv.out << "[" << jsonPoint(box.lo) << "," << jsonPoint(box.hi) << "]";
            inv.out << "}";
        } else {
            inv.out << n << "\t" << className(o.classNumber()) << "\tstate " << o.state << "\tlayer "
                    << o.layer;
            if (cv) inv.out << "\tcvs " << cv->cvCount();
            if (!o.materialName.empty()) inv.out << "\t" << o.materialName;
            if (!box.empty())
                inv.out << "\tbox " << jsonPoint(box.lo) << " " << jsonPoint(box.hi);
            inv.out << "\n";
        }
        ++n;
    });
    if (json) inv.out << (n ? "\n]}\n" : "]}\n");
    if (s != FileStatus::Ok) {
        report(inv.err, s, files[0]);
        return 1;
    }
    return 0;
}

std::string lowerExtension(const fs::path& p) {
    std::string e = p.extension().string();
    for (char& c : e) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return e;
}

int cmdExport(const Invocation& inv) {
    auto files = inv.positional();
    if (files.size() != 2) {
        inv.err << "usage: orivanta-batch export IN OUT [--ascii|--binary]\n";
        return 2;
    }
    Document doc(gemLibrary(inv.env));
    if (!openForBatch(doc, files[0], inv.err)) return 1;
    fs::path outPath = files[1];
    ExportFormat format;
    if (!exportFormatFor(outPath, format)) {
        inv.err << outPath.string() << ": unknown output format \"" << lowerExtension(outPath)
                << "\" (known: .stl, .ovd, .ovv)\n";
        return 2;
    }
    if (format == ExportFormat::StlBinary && inv.flag("--ascii")) format = ExportFormat::StlAscii;
    DirectFileStore store;
    FileStatus s = exportDocument(doc, outPath, format, store);
    if (s != FileStatus::Ok) {
        report(inv.err, s, outPath);
        return 1;
    }
    return 0;
}

int cmdScript(const Invocation& inv) {
    auto files = inv.positional();
    ScriptOptions options;
    std::vector<std::string> rest;
    for (size_t i = 0; i < inv.args.size(); ++i) {
        const std::string& a = inv.args[i];
        if ((a == "--open" || a == "--save") && i + 1 < inv.args.size()) {
            (a == "--open" ? options.open : options.save) = inv.args[++i];
        } else if (a.rfind("--", 0) == 0) {
            inv.err << "unknown option " << a << "\n";
            return 2;
        } else {
            rest.push_back(a);
        }
    }
    if (rest.size() != 1) {
        inv.err << "usage: orivanta-batch script FILE [--open IN] [--save OUT]\n";
        return 2;
    }
    Document doc(gemLibrary(inv.env));
    return runScript(rest[0], options, doc, inv.out, inv.err);
}

int cmdEstimate(const Invocation& inv) {
    const char* usageText = "usage: orivanta-batch estimate IN [--gravity G] [--json]\n";
    std::vector<std::string> files;
    double gravity = kSpecificGravities[0].value;
    bool json = false;
    for (size_t i = 0; i < inv.args.size(); ++i) {
        const std::string& a = inv.args[i];
        if (a == "--json") {
            json = true;
        } else if (a == "--gravity") {
            auto g = i + 1 < inv.args.size() ? parseNumber(inv.args[++i]) : std::nullopt;
            if (!g || *g < 0.0) {
                inv.err << "--gravity needs a specific gravity (a number, g/cm3, not negative)\n"
                        << usageText;
                return 2;
            }
            gravity = *g;
        } else if (a.rfind("--", 0) == 0) {
            inv.err << "unknown option " << a << "\n" << usageText;
            return 2;
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 1) {
        inv.err << usageText;
        return 2;
    }
    Document doc(gemLibrary(inv.env));
    if (!openForBatch(doc, files[0], inv.err)) return 1;
    EstimateOptions options;
    options.centre = true;
    TerminalProgress progress;
    progress.start(estimateProgressText(estimatemsg::kVolume));
    const SolidEstimate e = estimateSolid(doc.objects(), options, &progress);
    progress.finish();
    if (!e.ok() || !(e.volume > 0.0)) {
        inv.err << files[0] << ": no solid to estimate (nothing shown encloses a volume)\n";
        return 1;
    }
    const double weight = e.weight(gravity);
    // Rounded to what is printed, so that a centre on an axis does not read "-0.000".
    auto shown = [](float v) { return std::round(double{v} * 1000.0) / 1000.0 + 0.0; };
    if (json) {
        char buf[256];
        std::snprintf(buf, sizeof buf, "{\"volume\": %.9g, \"weight\": %.9g, \"gravity\": %.9g, ",
                      e.volume, weight, gravity);
        inv.out << buf << "\"centre\": " << jsonPoint(e.centre) << "}\n";
    } else {
        char buf[512];
        std::snprintf(buf, sizeof buf,
                      "volume  %.3f mm3\nweight  %.3f g (specific gravity %g)\n"
                      "centre  %.3f %.3f %.3f\n",
                      e.volume, weight, gravity, shown(e.centre.x), shown(e.centre.y),
                      shown(e.centre.z));
        inv.out << buf;
    }
    return 0;
}

// ---- slice ----

// A length option in millimetres within the dialog's range.
bool lengthOption(const Invocation& inv, const std::string& name, const std::string& text,
                  double& out) {
    auto v = parseNumber(text);
    if (!v || *v < 0.0001 || *v > 10000) {
        inv.err << name << " wants a length in millimetres from 0.0001 to 10000, not \"" << text
                << "\"\n";
        return false;
    }
    out = *v;
    return true;
}

int cmdSlice(const Invocation& inv) {
    static constexpr const char* kUsage =
        "usage: orivanta-batch slice IN OUT.slc [--thickness MM] [--unit mm|inch] [--xy MM]\n"
        "                             [--auto-xy] [--auto-z] [--stl ascii|binary]\n";
    SliceSettings defaults;
    SliceJob job;
    job.thickness = defaults.thicknessMm();
    job.xy = defaults.effectiveXy();
    std::optional<SliceMeshFormat> stl;
    std::vector<std::string> files;
    for (size_t i = 0; i < inv.args.size(); ++i) {
        const std::string& a = inv.args[i];
        const bool valued = a == "--thickness" || a == "--xy" || a == "--unit" || a == "--stl";
        if (valued && i + 1 >= inv.args.size()) {
            inv.err << a << " needs a value\n" << kUsage;
            return 2;
        }
        if (a == "--thickness") {
            if (!lengthOption(inv, a, inv.args[++i], job.thickness)) return 2;
        } else if (a == "--xy") {
            if (!lengthOption(inv, a, inv.args[++i], job.xy)) return 2;
        } else if (a == "--unit") {
            const std::string& u = inv.args[++i];
            if (u != "mm" && u != "inch") {
                inv.err << "--unit is mm or inch, not \"" << u << "\"\n";
                return 2;
            }
            job.inch = u == "inch";
        } else if (a == "--stl") {
            const std::string& f = inv.args[++i];
            if (f != "ascii" && f != "binary") {
                inv.err << "--stl is ascii or binary, not \"" << f << "\"\n";
                return 2;
            }
            stl = f == "ascii" ? SliceMeshFormat::StlAscii : SliceMeshFormat::StlBinary;
        } else if (a == "--auto-xy") {
            job.autoXyOffset = true;
        } else if (a == "--auto-z") {
            job.autoZOffset = true;
        } else if (a.rfind("--", 0) == 0) {
            inv.err << "unknown option " << a << "\n" << kUsage;
            return 2;
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 2) {
        inv.err << kUsage;
        return 2;
    }
    Document doc(gemLibrary(inv.env));
    if (!openForBatch(doc, files[0], inv.err)) return 1;
    const fs::path slcPath = withDefaultExtension(files[1], "slc");

    std::stringstream out(std::ios::in | std::ios::out | std::ios::binary);
    SliceReport r;
    {
        TerminalProgress progress(stderr, &inv.err == &std::cerr && ::isatty(STDERR_FILENO));
        progress.start(uiText(10126));
        r = sliceObjects(doc.objects(), job, out, &progress);
    }
    switch (r.status) {
        case OutputStatus::Ok:
            break;
        case OutputStatus::NothingToSlice:
            inv.err << files[0]
                    << ": nothing to slice (no shown solid with extent along X, Y and Z)\n";
            return 1;
        default:
            inv.err << slcPath.string() << ": " << uiText(msg::kCannotWrite) << "\n";
            return 1;
    }
    const std::string slc = out.str();
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(slc.data()), slc.size());
    if (!writeFileAtomically(slcPath, bytes)) {
        report(inv.err, FileStatus::CannotWrite, slcPath);
        return 1;
    }
    if (stl) {
        std::vector<uint8_t> mesh;
        OutputStatus c;
        {
            TerminalProgress progress(stderr, &inv.err == &std::cerr && ::isatty(STDERR_FILENO));
            progress.start(uiText(10127));
            c = convertSlices(bytes, *stl, true, SliceFrame::AcrossZ, mesh, &progress);
        }
        fs::path stlPath = withoutShortExtension(slcPath);
        stlPath += ".stl";
        if (c != OutputStatus::Ok || !writeFileAtomically(stlPath, mesh)) {
            report(inv.err, FileStatus::CannotWrite, stlPath);
            return 1;
        }
    }
    inv.out << slcPath.string() << ": " << r.layersWritten << " layers, " << r.vertices
            << " vertices\n";
    return 0;
}

// ---- end of slice ----

using Handler = std::function<int(const Invocation&)>;

struct BatchCommand {
    const char* name;
    const char* synopsis;
    Handler run;
};

const std::vector<BatchCommand>& batchCommands() {
    static const std::vector<BatchCommand> table = {
        {"info", "info FILE [--json]        list the objects of a design", cmdInfo},
        {"export",
         "export IN OUT [--ascii]    write IN as OUT by its extension: .stl (binary unless\n"
         "                             --ascii), .ovd (design), .ovv (viewer file)",
         cmdExport},
        {"estimate",
         "estimate IN [--gravity G] [--json]\n"
         "                             volume (mm3), weight (g; specific gravity G, default\n"
         "                             19.3) and centre of gravity of IN's solid",
         cmdEstimate},
        {"slice",
         "slice IN OUT.slc [--thickness MM] [--unit mm|inch] [--xy MM] [--auto-xy] [--auto-z]\n"
         "          [--stl ascii|binary]\n"
         "                             cut IN into slices (lengths in millimetres; --stl also\n"
         "                             writes OUT.stl from the slices)",
         cmdSlice},
        {"script",
         "script FILE [--open IN] [--save OUT]\n"
         "                             run a command script (see docs/scripts.md)",
         cmdScript},
    };
    return table;
}

void usage(std::ostream& os) {
    os << "usage: orivanta-batch COMMAND ...\n";
    for (const auto& c : batchCommands()) os << "  " << c.synopsis << "\n";
}

}  // namespace

int runBatch(const std::vector<std::string>& args, const BatchEnvironment& env, std::ostream& out,
             std::ostream& err) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        usage(args.empty() ? err : out);
        return args.empty() ? 2 : 0;
    }
    for (const auto& c : batchCommands()) {
        if (args[0] != c.name) continue;
        std::vector<std::string> rest(args.begin() + 1, args.end());
        return c.run(Invocation{rest, env, out, err});
    }
    err << "orivanta-batch: unknown command \"" << args[0] << "\"\n";
    usage(err);
    return 2;
}

}  // namespace orv
