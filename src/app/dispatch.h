#pragma once
#include <string>

#include "app/command_table.h"
#include "app/platform.h"
#include "app/slice_viewer.h"
#include "curves/ready_made.h"
#include "kernel/progress.h"
#include "kernel/view_axes.h"
#include "model/document.h"
#include "ops/transform.h"
#include "output/estimate.h"
#include "output/mesh_writer.h"
#include "output/slicer.h"
#include "surfaces/sweep_surfaces.h"

namespace orv {

class Interaction;

// Dialog values that commands remember until the program ends (they are never saved).
struct DialogMemory {
    LineArgs line;
    CircleArgs circle;
    PolygonArgs polygon;
    HelixArgs helix;
    ExtendSurfaceArgs extendSurface;
    RevolveSurfaceArgs revolveSurface;
    TransformArgs transform;
    TransformSeriesArgs transformSeries;
    // The Extend and Revolve dialogs as the extend and revolve curves open them.
    ExtendArgs extendCurve;
    RevolveArgs revolveCurve;
    WeightArgs weight;
    SliceSettings slicing;
    SliceViewer sliceViewer;
};

// Everything one command may use. The view axes are those of the active view.
struct CommandContext {
    Document& doc;
    ViewAxes axes;
    DialogSource& dialogs;
    MessageSink& messages;
    FileChooser& files;
    FileStore& store;
    DialogMemory& memory;
    MeshExportOptions exportOptions{};
    // The running operations, for commands that continue with the mouse; may be null
    // (such commands then refuse).
    Interaction* interaction = nullptr;
    // Shows how far long commands (outputs, estimates) have come and lets the user cancel
    // them; may be null (nothing shown, never cancelled).
    Progress* progress = nullptr;
};

enum class CommandStatus {
    Done,          // the command ran (possibly changing nothing)
    Cancelled,     // the user cancelled its dialog or chooser
    Failed,        // refused: `message` says why
    NotAvailable,  // the command exists but is not built yet
    Unknown,       // no such command number
};

struct CommandOutcome {
    CommandStatus status = CommandStatus::Done;
    std::string message;
};

// Runs one command as chosen from a menu, toolbar, hotkey or script: opens a history step,
// gathers its arguments and runs it. The one way every command is started.
CommandOutcome dispatchCommand(int command, CommandContext& ctx);
// False for commands that are in the menus but not built yet (they show disabled).
bool commandAvailable(int command);
// The built-in main menu, built once.
const MenuNode& mainMenu();

// The export file dialog's filter and what each choice writes.
inline constexpr std::string_view kExportFilter =
    "STL (*.stl) Binary|*.stl|STL (*.stl) ASCII|*.stl|Orivanta Viewer File (*.ovv)|*.ovv|";

enum class ExportFormat { StlBinary, StlAscii, Viewer, Design };
// The format a path's extension asks for (STL binary for ".stl"); false when unknown.
bool exportFormatFor(const std::filesystem::path& path, ExportFormat& format);
// Writes the document's shown objects in `format` through `store`.
FileStatus exportDocument(const Document& doc, const std::filesystem::path& path,
                          ExportFormat format, FileStore& store,
                          const MeshExportOptions& options = {});

}  // namespace orv
