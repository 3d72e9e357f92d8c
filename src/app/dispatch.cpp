#include "app/dispatch.h"

#include <map>
#include <random>
#include <sstream>

#include "app/ui_strings.h"
#include "model/boolean_commands.h"
#include "model/design_file.h"
#include "model/object_commands.h"
#include "model/objects.h"
#include "model/record_io.h"
#include "ops/boolean_ops.h"
#include "ops/dialog_drag.h"
#include "ops/transform_ops.h"
#include "ops/curve_operation.h"
#include "output/stl.h"

namespace orv {

namespace {

// Binds an argument struct's labelled fields to a dialog request.
template <class Args>
DialogRequest dialogFor(int command, std::string caption, Args& args) {
    DialogRequest r;
    r.command = command;
    r.caption = std::move(caption);
    for (const auto& f : Args::fields()) {
        auto set = f.set;
        auto get = f.get;
        r.controls.push_back({f.label, f.otherLabels,
                              [&args, set](std::string_view t) { return set(args, t); },
                              [&args, get] { return get(args); }, f.choices});
    }
    r.validate = [&args] { return validate(args); };
    // The Extend and Revolve dialogs also take their vector or angle from a drag in a view.
    if constexpr (std::is_base_of_v<ExtendArgs, Args>) {
        r.dragInput = [&args, command](Interaction& i, std::function<void()> changed) -> std::unique_ptr<Operation> {
            return std::make_unique<ExtendDragOperation>(i, args, command, std::move(changed));
        };
    } else if constexpr (std::is_base_of_v<RevolveArgs, Args>) {
        r.dragInput = [&args, command](Interaction& i, std::function<void()> changed) -> std::unique_ptr<Operation> {
            return std::make_unique<RevolveDragOperation>(i, args, command, std::move(changed));
        };
    }
    return r;
}

// Gathers into a scratch copy so that a cancelled or refused dialog leaves the remembered
// values as they were.
template <class Args>
CommandOutcome withDialog(CommandContext& ctx, int command, const char* caption, Args& remembered,
                          const std::function<CommandOutcome(const Args&)>& run) {
    Args args = remembered;
    DialogRequest request = dialogFor(command, caption, args);
    std::string error;
    switch (ctx.dialogs.gather(request, error)) {
        case Gathered::Cancelled: return {CommandStatus::Cancelled, {}};
        case Gathered::Failed: return {CommandStatus::Failed, error};
        case Gathered::Ok: break;
    }
    if (std::string invalid = validate(args); !invalid.empty())
        return {CommandStatus::Failed, invalid};
    remembered = args;
    return run(args);
}

CommandOutcome fromCurve(const CurveResult& r) {
    if (!r.error.empty()) return {CommandStatus::Failed, r.error};
    return {};
}

CommandOutcome fromSurfaces(const SurfaceResult& r) {
    if (!r.error.empty()) return {CommandStatus::Failed, r.error};
    return {};
}

CommandOutcome fileMessage(CommandContext& ctx, FileStatus s) {
    if (s == FileStatus::Ok) return {};
    std::string text(uiText(messageId(s)));
    // A damaged file is opened as far as it goes: the user is told, the command succeeded.
    if (s == FileStatus::Damaged) {
        ctx.messages.message(text);
        return {};
    }
    return {CommandStatus::Failed, text};
}

constexpr std::string_view kDesignFilter = "Orivanta Files (*.ovd)|*.ovd|All Files (*.*)|*.*|";

CommandOutcome openCommand(CommandContext& ctx, FileRole role) {
    auto path = ctx.files.choose(role, kDesignFilter);
    if (!path) return {CommandStatus::Cancelled, {}};
    FileStatus s = role == FileRole::Open ? openDesign(ctx.doc, *path) : insertDesign(ctx.doc, *path);
    return fileMessage(ctx, s);
}

CommandOutcome saveCommand(CommandContext& ctx, bool askName) {
    std::filesystem::path path = ctx.doc.path;
    if (askName || path.empty()) {
        auto chosen = ctx.files.choose(FileRole::SaveAs, kDesignFilter);
        if (!chosen) return {CommandStatus::Cancelled, {}};
        path = *chosen;
    }
    FileStatus s = ctx.store.replace(path, designBytes(ctx.doc.objects()), true);
    if (s == FileStatus::Ok) {
        ctx.doc.modified = false;
        ctx.doc.path = path;
    }
    return fileMessage(ctx, s);
}

CommandOutcome exportCommand(CommandContext& ctx) {
    auto path = ctx.files.choose(FileRole::Export, kExportFilter);
    if (!path) return {CommandStatus::Cancelled, {}};
    ExportFormat format;
    if (!exportFormatFor(*path, format))
        return {CommandStatus::Failed, "Unknown output format: " + path->filename().string()};
    return fileMessage(ctx, exportDocument(ctx.doc, *path, format, ctx.store, ctx.exportOptions));
}

// ---- Slicing: "Cut into Slices" (9110) and "Show slices" (9111) ----

std::span<const uint8_t> asBytes(const std::string& s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

CommandOutcome sliceFailure(CommandContext& ctx, OutputStatus status) {
    switch (status) {
        case OutputStatus::Ok:
            return {};
        case OutputStatus::Cancelled:
            return {CommandStatus::Cancelled, {}};
        case OutputStatus::NothingToSlice:
            return {CommandStatus::Failed,
                    "Nothing to slice: no shown solid with extent along X, Y and Z"};
        case OutputStatus::BadSettings:
            return {CommandStatus::Failed, "The slice thickness or XY resolution cannot be used"};
        default:
            return fileMessage(ctx, status == OutputStatus::CannotWrite
                                        ? FileStatus::CannotWrite
                                        : FileStatus::InvalidFormat);
    }
}

CommandOutcome cutIntoSlices(CommandContext& ctx, const SliceSettings& s) {
    std::filesystem::path name = s.fileName;
    // An empty name field is what the "Slice File" button fills: ask for the file.
    if (name.empty()) {
        auto chosen = ctx.files.choose(FileRole::Export, kSliceFilter);
        if (!chosen) return {CommandStatus::Cancelled, {}};
        name = *chosen;
    }
    const std::filesystem::path path = withDefaultExtension(name, "slc");
    ctx.memory.sliceViewer.path = path;

    SliceJob job = SliceJob::from(s);
    job.scan.layerOn = ctx.exportOptions.layerOn;
    std::stringstream out(std::ios::in | std::ios::out | std::ios::binary);
    if (ctx.progress) ctx.progress->start(uiText(10126));
    const SliceReport r = sliceObjects(ctx.doc.objects(), job, out, ctx.progress);
    if (r.status != OutputStatus::Ok) return sliceFailure(ctx, r.status);
    const std::string slc = out.str();
    if (FileStatus w = ctx.store.replace(path, asBytes(slc), false); w != FileStatus::Ok)
        return fileMessage(ctx, w);

    if (s.effectiveStl()) {
        std::vector<uint8_t> stl;
        const auto format = s.stlFormat == StlFormat::Binary ? SliceMeshFormat::StlBinary
                                                             : SliceMeshFormat::StlAscii;
        if (ctx.progress) ctx.progress->start(uiText(10127));
        const OutputStatus c =
            convertSlices(asBytes(slc), format, true, SliceFrame::AcrossZ, stl, ctx.progress);
        if (c != OutputStatus::Ok) return sliceFailure(ctx, c);
        std::filesystem::path stlPath = withoutShortExtension(path);
        stlPath += ".stl";
        return fileMessage(ctx, ctx.store.replace(stlPath, stl, false));
    }
    return {};
}

CommandOutcome showSlices(CommandContext& ctx) {
    auto chosen = ctx.files.choose(FileRole::Open, kShowSlicesFilter);
    if (!chosen) return {CommandStatus::Cancelled, {}};
    const int64_t n = ctx.memory.sliceViewer.open(*chosen);
    if (n == kSlcCannotOpen) return fileMessage(ctx, FileStatus::CannotOpen);
    if (n < 0) return fileMessage(ctx, FileStatus::InvalidFormat);
    return {};
}

// ---- end of slicing ----

using Handler = std::function<CommandOutcome(CommandContext&)>;

// ---- curves drawn and edited with the mouse ----

// Starts the curve operation of `command`; `kind` carries the dialog's copies and motion for
// the extend, revolve and transform kinds.
CommandOutcome startCurveCommand(CommandContext& ctx, int command, const CurveSymmetry* kind) {
    if (!ctx.interaction) return {CommandStatus::Failed, "drawing curves needs a view to draw in"};
    if (!startCurveOperation(*ctx.interaction, command, kind))
        return {CommandStatus::Failed,
                "command " + std::to_string(command) + " could not start its curve"};
    return {};
}

Handler curveCommand(int command) {
    return [command](CommandContext& c) { return startCurveCommand(c, command, nullptr); };
}

// The Extend dialog, then the operation.
Handler extendCurveCommand(int command) {
    return [command](CommandContext& c) {
        if (!c.interaction) return startCurveCommand(c, command, nullptr);
        return withDialog<ExtendArgs>(c, command, "Extend", c.memory.extendCurve,
                                      [&](const ExtendArgs& a) {
                                          const CurveSymmetry kind = CurveSymmetry::extend(a);
                                          return startCurveCommand(c, command, &kind);
                                      });
    };
}

// The Revolve dialog ("Full revolution" ticked anew at every opening), then the operation.
Handler revolveCurveCommand(int command) {
    return [command](CommandContext& c) {
        if (!c.interaction) return startCurveCommand(c, command, nullptr);
        c.memory.revolveCurve.fullRevolution = true;
        return withDialog<RevolveArgs>(c, command, "Revolve", c.memory.revolveCurve,
                                       [&](const RevolveArgs& a) {
                                           const CurveSymmetry kind = CurveSymmetry::revolve(a);
                                           return startCurveCommand(c, command, &kind);
                                       });
    };
}

// The transform dialog with its copy count; its world matrix is taken in the terms of the
// view active now, so that the curve's own view turns it back.
Handler transformCurveCommand(int command) {
    return [command](CommandContext& c) {
        if (!c.interaction) return startCurveCommand(c, command, nullptr);
        return withDialog<TransformSeriesArgs>(
            c, command, "Transform", c.memory.transformSeries, [&](const TransformSeriesArgs& a) {
                const CurveSymmetry kind =
                    CurveSymmetry::transform(a.matrix(c.axes), a.copyNo, c.axes);
                return startCurveCommand(c, command, &kind);
            });
    };
}

// ---- end of the curve operations ----

// Wraps a command that acts at once on the document and reports whether it changed anything.
Handler immediate(bool (*f)(Document&)) {
    return [f](CommandContext& ctx) {
        f(ctx.doc);
        return CommandOutcome{};
    };
}

Handler flag(bool (*f)(Document&, bool), bool on) {
    return [f, on](CommandContext& ctx) {
        f(ctx.doc, on);
        return CommandOutcome{};
    };
}

Handler turn(bool (*f)(Document&, const ViewAxes&, QuarterTurn), QuarterTurn dir) {
    return [f, dir](CommandContext& ctx) {
        f(ctx.doc, ctx.axes, dir);
        return CommandOutcome{};
    };
}

Handler pickAllOf(uint32_t filter) {
    return [filter](CommandContext& ctx) {
        pickAll(ctx.doc, filter);
        return CommandOutcome{};
    };
}

// Move, Size, Flip and Roll go on with the mouse as the default operation.
Handler transformOperation(int command) {
    return [command](CommandContext& ctx) {
        if (!ctx.interaction)
            return CommandOutcome{CommandStatus::Failed,
                                  "moving, sizing, flipping and rolling need a view to drag in"};
        startTransformOperation(*ctx.interaction, command);
        return CommandOutcome{};
    };
}

// ---- Estimates: volume, weight, centre of gravity ----

SolidEstimate estimateFor(CommandContext& ctx, int what, bool centre) {
    EstimateOptions options;
    options.centre = centre;
    options.scan.layerOn = ctx.exportOptions.layerOn;
    if (ctx.progress) ctx.progress->start(estimateProgressText(what));
    return estimateSolid(ctx.doc.objects(), options, ctx.progress);
}

CommandOutcome volumeCommand(CommandContext& ctx) {
    const SolidEstimate e = estimateFor(ctx, estimatemsg::kVolume, false);
    if (e.status == SolidEstimate::Status::Cancelled) return {CommandStatus::Cancelled, {}};
    // No solid, a flat design or nothing inside: nothing to show.
    if (e.ok() && e.volume > 0.0) ctx.messages.message(volumeMessage(e.volume));
    return {};
}

CommandOutcome weightCommand(CommandContext& ctx) {
    const std::string caption(uiText(estimatemsg::kDialogCaption));
    return withDialog<WeightArgs>(
        ctx, 9200, caption.c_str(), ctx.memory.weight, [&](const WeightArgs& a) {
            const SolidEstimate e = estimateFor(ctx, estimatemsg::kWeight, false);
            if (e.status == SolidEstimate::Status::Cancelled)
                return CommandOutcome{CommandStatus::Cancelled, {}};
            if (e.ok() && e.volume > 0.0)
                ctx.messages.message(weightMessage(e.weight(a.gravity())));
            return CommandOutcome{};
        });
}

CommandOutcome centreCommand(CommandContext& ctx) {
    const SolidEstimate e = estimateFor(ctx, estimatemsg::kCentre, true);
    // A cancelled estimate has no centre; showing a partial one would mislead.
    if (e.status == SolidEstimate::Status::Cancelled) return {CommandStatus::Cancelled, {}};
    ctx.messages.message(centreMessage(e.centre));  // zeros when there is no solid
    return {};
}

// ---- end of the estimates ----

const std::map<int, Handler>& handlers() {
    static const std::map<int, Handler> table = {
        {57601, [](CommandContext& c) { return openCommand(c, FileRole::Open); }},
        {1000, [](CommandContext& c) { return openCommand(c, FileRole::Insert); }},
        {57603, [](CommandContext& c) { return saveCommand(c, false); }},
        {57604, [](CommandContext& c) { return saveCommand(c, true); }},
        {1004, exportCommand},
        {57643,
         [](CommandContext& c) {
             if (!c.doc.undo()) c.messages.message(uiText(msg::kNoMoreUndo));
             return CommandOutcome{};
         }},
        {57644,
         [](CommandContext& c) {
             if (!c.doc.redo()) c.messages.message(uiText(msg::kNoMoreRedo));
             return CommandOutcome{};
         }},
        {2000, [](CommandContext& c) {
             deleteObjects(c.doc);
             return CommandOutcome{};
         }},
        {2001, immediate(undeleteObjects)},
        {2002, immediate(hideObjects)},
        {2003, immediate(unhideObjects)},
        {2004, immediate(swapHide)},
        {2100, flag(setHideCv, true)},
        {2101, flag(setHideCv, false)},
        {2200, immediate(hideJewels)},
        {2201, immediate(showJewels)},
        {2202, flag(setJewel, true)},
        {2203, flag(setJewel, false)},
        {2300, flag(setSuperSubtractor, true)},
        {2301, flag(setSuperSubtractor, false)},
        {2400, flag(setNonDeformable, false)},
        {2401, flag(setNonDeformable, true)},
        {3610, pickAllOf(static_cast<uint32_t>(PickAllFilter::All))},
        {3611, pickAllOf(kClassCurve)},
        {3612, pickAllOf(kClassSurface)},
        {3613, pickAllOf(kClassBoolean)},
        {3614, pickAllOf(kClassBlock)},
        {3615, pickAllOf(static_cast<uint32_t>(PickAllFilter::Jewels))},
        {3616, pickAllOf(kClassTLine)},
        {3617, pickAllOf(kClassFacet)},
        {4100, turn(copyFlip90, QuarterTurn::Up)},
        {4103, turn(copyFlip90, QuarterTurn::Down)},
        {4102, turn(copyFlip90, QuarterTurn::Left)},
        {4101, turn(copyFlip90, QuarterTurn::Right)},
        // ---- transform operations: Move, Size, Flip, Roll and the Object Axis switch ----
        {xformcmd::kMove, transformOperation(xformcmd::kMove)},
        {xformcmd::kSize, transformOperation(xformcmd::kSize)},
        {xformcmd::kFlip, transformOperation(xformcmd::kFlip)},
        {xformcmd::kRoll, transformOperation(xformcmd::kRoll)},
        {xformcmd::kObjectAxis,
         [](CommandContext& c) {
             // The interaction runs this itself while a view is current; here it comes
             // without one.
             if (!c.interaction)
                 return CommandOutcome{CommandStatus::Failed,
                                       "the object axis switch needs the running operations"};
             toggleObjectAxis(*c.interaction);
             c.doc.objectAxisMode =
                 c.interaction->frameModeSetting == framemode::kObjectAxisSetting;
             return CommandOutcome{};
         }},
        // ---- end of the transform operations ----
        {5105,
         [](CommandContext& c) {
             return withDialog<TransformArgs>(c, 5105, "Transform", c.memory.transform,
                                              [&](const TransformArgs& a) {
                                                  applyTransform(c.doc, a.objectAxis, a.matrix(c.axes));
                                                  return CommandOutcome{};
                                              });
         }},
        {5101, turn(flip90, QuarterTurn::Up)},
        {5102, turn(flip90, QuarterTurn::Down)},
        {5103, turn(flip90, QuarterTurn::Left)},
        {5104, turn(flip90, QuarterTurn::Right)},
        {7020,
         [](CommandContext& c) {
             return withDialog<LineArgs>(c, 7020, "Line", c.memory.line, [&](const LineArgs& a) {
                 return fromCurve(makeLine(c.doc, c.axes, a));
             });
         }},
        {7021,
         [](CommandContext& c) {
             return withDialog<CircleArgs>(c, 7021, "Circle", c.memory.circle,
                                           [&](const CircleArgs& a) {
                                               return fromCurve(makeCircle(c.doc, c.axes, a));
                                           });
         }},
        {7022,
         [](CommandContext& c) {
             return withDialog<PolygonArgs>(c, 7022, "Polygon", c.memory.polygon,
                                            [&](const PolygonArgs& a) {
                                                return fromCurve(makePolygon(c.doc, c.axes, a));
                                            });
         }},
        {7023,
         [](CommandContext& c) {
             return withDialog<HelixArgs>(c, 7023, "Helix", c.memory.helix, [&](const HelixArgs& a) {
                 return fromCurve(makeHelix(c.doc, c.axes, a));
             });
         }},
        // ---- curves drawn and edited with the mouse (helpers above) ----
        {7000, curveCommand(7000)},
        {7001, curveCommand(7001)},
        {7002, curveCommand(7002)},
        {7003, curveCommand(7003)},
        {7004, curveCommand(7004)},
        {7005, extendCurveCommand(7005)},
        {7006, revolveCurveCommand(7006)},
        {7010, transformCurveCommand(7010)},
        {curvecmd::kSketch, curveCommand(curvecmd::kSketch)},
        {7030, curveCommand(7030)},
        {7031, curveCommand(7031)},
        {7032, curveCommand(7032)},
        {7033, curveCommand(7033)},
        {7034, curveCommand(7034)},
        {7035, extendCurveCommand(7035)},
        {7036, revolveCurveCommand(7036)},
        {7040, transformCurveCommand(7040)},
        // ---- end of the curve operations ----
        {7200, immediate(restoreRemovedCurves)},
        {8000,
         [](CommandContext& c) {
             return withDialog<ExtendSurfaceArgs>(
                 c, 8000, "Extend", c.memory.extendSurface, [&](const ExtendSurfaceArgs& a) {
                     return fromSurfaces(makeExtendSurfaces(c.doc, c.axes, a));
                 });
         }},
        {8001,
         [](CommandContext& c) {
             c.memory.revolveSurface.fullRevolution = true;  // ticked anew at every opening
             return withDialog<RevolveSurfaceArgs>(
                 c, 8001, "Revolve", c.memory.revolveSurface, [&](const RevolveSurfaceArgs& a) {
                     return fromSurfaces(
                         makeRevolveSurfaces(c.doc, c.axes, a, RevolveAxis::Vertical));
                 });
         }},
        {8002,
         [](CommandContext& c) {
             c.memory.revolveSurface.fullRevolution = true;
             return withDialog<RevolveSurfaceArgs>(
                 c, 8002, "Revolve", c.memory.revolveSurface, [&](const RevolveSurfaceArgs& a) {
                     return fromSurfaces(
                         makeRevolveSurfaces(c.doc, c.axes, a, RevolveAxis::Horizontal));
                 });
         }},
        {9000,
         [](CommandContext& c) {
             unionObjects(c.doc);
             return CommandOutcome{};
         }},
        {9001,
         [](CommandContext& c) {
             intersectObjects(c.doc);
             return CommandOutcome{};
         }},
        {kSubtractCommand,
         [](CommandContext& c) {
             if (!c.interaction || !startSubtract(*c.interaction))
                 return CommandOutcome{CommandStatus::Failed, "subtracting needs a view to pick the base in"};
             return CommandOutcome{};
         }},
        {9003, immediate(disBoolean)},
        // Estimates.
        {9200, weightCommand},
        {9201, volumeCommand},
        {9202, centreCommand},
        {9004, flag(setShowSubtractors, true)},
        {9005, flag(setShowSubtractors, false)},
        // Slicing.
        {9110,
         [](CommandContext& c) {
             return withDialog<SliceSettings>(
                 c, 9110, std::string(uiText(33100)).c_str(), c.memory.slicing,
                 [&](const SliceSettings& s) { return cutIntoSlices(c, s); });
         }},
        {9111, showSlices},
        // End of slicing.
        {8003,
         [](CommandContext& c) {
             return withDialog<TransformSeriesArgs>(
                 c, 8003, "Transform", c.memory.transformSeries, [&](const TransformSeriesArgs& a) {
                     TransformSurfaceArgs s;
                     s.matrix = a.matrix(c.axes);
                     s.copies = a.copyNo;
                     return fromSurfaces(makeTransformSurfaces(c.doc, s));
                 });
         }},
    };
    return table;
}

bool inMenuScript(int command) {
    for (const auto& e : menuScript())
        if (e.number == command) return true;
    // Commands that the menus gain after building or that only a hotkey reaches.
    for (int extra : {7200, 9301, 9131, 9132, 1005, 1006, 1007, 1008, 1009, 1010, 1011, 9130, 3441})
        if (extra == command) return true;
    return false;
}

}  // namespace

bool commandAvailable(int command) { return handlers().count(command) != 0; }

const MenuNode& mainMenu() {
    static const MenuNode menu = [] {
        MenuNode m = buildMenu(menuScript());
        addAfterBuildItems(m, [](int n) { return std::string(uiText(n)); });
        return m;
    }();
    return menu;
}

CommandOutcome dispatchCommand(int command, CommandContext& ctx) {
    auto it = handlers().find(command);
    if (it == handlers().end()) {
        if (inMenuScript(command))
            return {CommandStatus::NotAvailable, "command " + std::to_string(command) + " (" +
                                                     menuPath(mainMenu(), command) +
                                                     ") is not available yet"};
        return {CommandStatus::Unknown, "no command " + std::to_string(command)};
    }
    ctx.doc.beginStep();
    // The quarter turns read the frame from the document; the program-wide switch decides.
    if (ctx.interaction)
        ctx.doc.objectAxisMode = ctx.interaction->frameModeSetting == framemode::kObjectAxisSetting;
    return it->second(ctx);
}

bool exportFormatFor(const std::filesystem::path& path, ExportFormat& format) {
    std::string e = path.extension().string();
    for (char& ch : e) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (e == ".stl") {
        format = ExportFormat::StlBinary;
    } else if (e == ".ovv") {
        format = ExportFormat::Viewer;
    } else if (e == ".ovd") {
        format = ExportFormat::Design;
    } else {
        return false;
    }
    return true;
}

FileStatus exportDocument(const Document& doc, const std::filesystem::path& path,
                          ExportFormat format, FileStore& store,
                          const MeshExportOptions& options) {
    std::vector<uint8_t> bytes;
    switch (format) {
        case ExportFormat::Design: bytes = designBytes(doc.objects()); break;
        case ExportFormat::Viewer: {
            BufferWriter plain;
            writeViewerRecords(doc.objects(), plain, std::random_device{}());
            bytes = std::move(plain.out);
            break;
        }
        case ExportFormat::StlAscii:
        case ExportFormat::StlBinary: {
            std::stringstream out(std::ios::in | std::ios::out | std::ios::binary);
            int64_t n = format == ExportFormat::StlAscii ? writeStlAscii(doc.objects(), out, options)
                                                         : writeStlBinary(doc.objects(), out, options);
            if (n < 0) return FileStatus::CannotWrite;
            std::string s = out.str();
            bytes.assign(s.begin(), s.end());
            break;
        }
    }
    return store.replace(path, bytes, format == ExportFormat::Design);
}

}  // namespace orv
