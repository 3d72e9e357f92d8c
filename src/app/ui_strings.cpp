#include "app/ui_strings.h"

namespace orv {

namespace {

// Every text the user sees that is not a menu item. Blocks in this order: command names
// (ascending), messages, mouse help, buttons, dialog blocks (first number = caption), and the
// menu items added after building. Within the command block a name repeats its menu text
// without mnemonic and trailing dots unless a shorter or clearer tool tip is wanted.
constexpr UiString kStringRun[] = {
    // Command names shown as tool tips and in the status line.
    {1000, "Insert"}, {1001, "Save Views"}, {1002, "Database"}, {1003, "Import"}, {1004, "Export"},
    {1100, "Colors"}, {1101, "Directories"}, {1102, "Hotkeys"}, {1103, "Language"},
    {1200, "Orivanta Home Page"}, {2000, "Delete"}, {2001, "Undelete"}, {2002, "Hide"},
    {2003, "Unhide"}, {2004, "SwapHide"}, {2100, "Hide CV"}, {2101, "Show CV"},
    {2200, "Hide Jewel"}, {2201, "Show Jewel"}, {2202, "Be Jewel"}, {2203, "Not Jewel"},
    {2300, "Super Subtractor"}, {2301, "Not Super Subtractor"}, {2400, "Deformable"},
    {2401, "Non-deformable"}, {2500, "Object Layers"}, {2600, "Material"},
    {2601, "Create / Edit Material"}, {3000, "Background"}, {3001, "Grid Settings"},
    {3002, "Fine Snap"}, {3100, "Quick Wire Frame"}, {3101, "Normal wire frame"},
    {3102, "Mesh wire frame"}, {3103, "Fast Shading"}, {3104, "Shading in color"},
    {3105, "Rendering"}, {3200, "3D view"}, {3201, "Front view ( X/Z )"},
    {3202, "Right view ( Y/Z )"}, {3203, "Top View ( X/Y )"}, {3204, "Back view ( X/Z )"},
    {3205, "Left view ( Y/Z )"}, {3206, "Bottom View ( X/Y )"},
    {3300, "Four views : Front/Right/Top/3D"}, {3301, "Four views : Back/Left/Bottom/3D"},
    {3310, "Front and Right views"}, {3311, "Front and Top views"}, {3400, "Up"}, {3401, "Down"},
    {3402, "Left"}, {3403, "Right"}, {3410, "In"}, {3411, "Out"}, {3412, "Box"}, {3413, "All"},
    {3414, "Zoom 1 : 1"}, {3415, "Calibrate"}, {3420, "Up"}, {3421, "Down"}, {3422, "Left"},
    {3423, "Right"}, {3430, "Left"}, {3431, "Right"}, {3440, "Reset view"},
    {3500, "Reset Tool Bars"}, {3501, "File"}, {3502, "View"}, {3503, "General"}, {3504, "Copy"},
    {3505, "Transform"}, {3506, "Deform"}, {3507, "Curve"}, {3508, "Surface"}, {3509, "Boolean"},
    {3600, "Pick"}, {3601, "Pick CV"}, {3602, "Pick T-Line"}, {3610, "All"}, {3611, "Curve"},
    {3612, "Surface"}, {3613, "Boolean"}, {3614, "Block"}, {3615, "Jewel"}, {3616, "T-Line"},
    {3617, "Facet Object"}, {4000, "Cut&Paste"}, {4001, "Vertical Mirror Copy"},
    {4002, "Horizontal Mirror"}, {4003, "Revolve 180"}, {4004, "Cycle"}, {4005, "Extend"},
    {4006, "Revolve"}, {4010, "Transform"}, {4011, "Copy to Hide"}, {4100, "Up"}, {4101, "Right"},
    {4102, "Left"}, {4103, "Down"}, {5000, "Move"}, {5001, "Size"}, {5002, "Flip"}, {5003, "Roll"},
    {5010, "Object Axis"}, {5101, "Up"}, {5102, "Down"}, {5103, "Left"}, {5104, "Right"},
    {5105, "Transform"}, {6000, "Bend"}, {6001, "Bend (Two sides)"}, {6002, "Taper"},
    {6003, "Taper (Two sides)"}, {6004, "Scaled Taper"}, {6005, "Scaled Taper (Two sides)"},
    {6006, "Skew"}, {6007, "Skew (Two sides)"}, {6008, "Twist"}, {6009, "Skew Twist"},
    {6010, "Whirl"}, {6100, "UV-Map"}, {6101, "ProjMap"}, {7000, "Simple"},
    {7001, "Vertical Mirror"}, {7002, "Horizontal Mirror"}, {7003, "Revolve 180"}, {7004, "Cycle"},
    {7005, "Extend"}, {7006, "Revolve"}, {7010, "Transform"}, {7011, "Sketch"}, {7020, "Line"},
    {7021, "Circle"}, {7022, "Polygon"}, {7023, "Helix"}, {7030, "Simple"},
    {7031, "Vertical Mirror"}, {7032, "Horizontal Mirror"}, {7033, "Revolve 180"}, {7034, "Cycle"},
    {7035, "Extend"}, {7036, "Revolve"}, {7040, "Transform"}, {7100, "Close"}, {7101, "Open"},
    {7102, "Reverse"}, {7103, "Divide"}, {7104, "Join Curves"}, {7105, "Split Curve"},
    {7106, "Offset Curve"}, {7107, "In Between Curve"}, {7108, "Curve Length"}, {8000, "Extend"},
    {8001, "Vertical Revolve"}, {8002, "Horizontal Revolve"}, {8003, "Transform"}, {8004, "Loft"},
    {8005, "Pipe"}, {8006, "Rail"}, {8010, "Cylinder"}, {8011, "Cone"}, {8012, "Sphere"},
    {8100, "Close"}, {8101, "Open"}, {8102, "Reverse"}, {8110, "Close"}, {8111, "Open"},
    {8112, "Reverse"}, {8120, "Divide"}, {8121, "Step"}, {8122, "Swap U/V"}, {8123, "Flip Normal"},
    {8124, "Offset Surface"}, {9000, "Union"}, {9001, "Intersect"}, {9002, "Subtract"},
    {9003, "Dis-Boolean"}, {9004, "Show Subtractors"}, {9005, "Hide Subtractors"}, {9010, "Block"},
    {9020, "Flat-Shaded"}, {9021, "Smooth-Shaded"}, {9022, "Flip Normal"},
    {9023, "Extend to Solid"}, {9030, "Jewel"}, {9031, "Count Round Jewel"}, {9040, "Text"},
    {9041, "T-Line"}, {9100, "Render to file"}, {9110, "Cut into Slices"}, {9111, "Show slices"},
    {9120, "NC program"}, {9121, "Show NC program"}, {9130, "STL Output for building support"},
    {9200, "Weight"}, {9201, "Volume"}, {9202, "Center of Gravity"}, {9300, "Measure distance"},
    {57600, "New"}, {57601, "Open"}, {57603, "Save"}, {57604, "Save As"}, {57643, "Undo"},
    {57644, "Redo"}, {57648, "New view"}, {57664, "About Orivanta"}, {57665, "Exit"},
    {57667, "Contents"}, {57669, "Context Sensitive Help"},

    // Messages, prompts and progress texts.
    {10014, "Not enough memory to perform operations!"},
    {10015, "Cannot write to file!"},
    {10016, "Invalid file format!"},
    {10017, "Invalid file format or insert file contains no object!"},
    {10018, "Cannot open file!"},
    {10019, "No more redo!"},
    {10020, "No more undo!"},
    {10021, "Pick an object to use its material..."},
    {10022, "Fine snapping"},
    {10023, "Coarse snapping"},
    {10024, "3D"}, {10025, "Front (X/Z)"}, {10026, "Right (Y/Z)"}, {10027, "Top (X/Y)"},
    {10028, "Back (X/Z)"}, {10029, "Left (Y/Z)"}, {10030, "Bottom (X/Y)"},
    {10031, "File Toolbar"}, {10032, "View Toolbar"}, {10033, "General Toolbar"},
    {10034, "Copy Toolbar"}, {10035, "Transform Toolbar"}, {10036, "Deform Toolbar"},
    {10037, "Curve Toolbar"}, {10038, "Surface Toolbar"}, {10039, "Boolean Toolbar"},
    {10040, "Picking..."},
    {10041, "Picking CV's..."},
    {10042, "Picking T-Lines..."},
    {10043, "Copying..."},
    {10044, "Picked objects are copied to hidden layer!"},
    {10045, "No object to copy!!!"},
    {10046, "XForming has been UN-done!"},
    {10047, "XForming has been RE-done!"},
    {10059, "Deforming has been UN-done!"},
    {10060, "Deforming has been RE-done!"},
    {10073, "Map onto ONE curve or surface"},
    {10074, "Map onto ALL unpicked curves and surfaces"},
    {10075, "Pick a curve or surface for UV-mapping..."},
    {10076, "Pick a curve or surface for projection mapping..."},
    {10077, "Making a simple curve..."},
    {10078, "Making a vert-mirror curve..."},
    {10079, "Making a hori-mirror curve..."},
    {10080, "Making a revolve 180 curve..."},
    {10081, "Making a cyclic curve.."},
    {10082, "Making an extending curve..."},
    {10083, "Making a revolutary curve..."},
    {10084, "Making a tranform curve..."},
    {10085, "Sketching curves..."},
    {10086, "Pick a curve to edit..."},
    {10087, "Pick a vert-mirror curve to edit..."},
    {10088, "Pick a hori-mirror curve to edit..."},
    {10089, "Pick a revolve 180 curve to edit..."},
    {10090, "Pick a cyclic curve to edit..."},
    {10091, "Pick an extending curve to edit..."},
    {10092, "Pick a revolutary curve to edit..."},
    {10093, "Pick a tranform curve to edit..."},
    {10094, "Joining curves... (Pick curves to join)"},
    {10095, "Splitting curves... (Pick on CV to split curve)"},
    {10096, "Pick curves / surfaces to create a lofting surface..."},
    {10097, "This curve or surface mismatches with the loft surface! Please select other "
            "curves or surfaces."},
    {10098, "Pick a curve for the pipe surface section..."},
    {10099, "Pick a curve for rail..."},
    {10100, "Pick a curve for Top rail..."},
    {10101, "Pick a curve for Left rail..."},
    {10102, "This rail mismatches with the previous rail! Please re-pick..."},
    {10103, "This section mismatches with the previous section! Please re-pick..."},
    {10104, "Pick a curve for the first section..."},
    {10105, "Pick a curve for the second section..."},
    {10106, "Pick a curve for the rail surface section..."},
    {10107, "Pick on the rail at"},
    {10108, "Pick on the Top rail at"},
    {10109, "Pick on the Left rail at"},
    {10110, "Pick a curve for section"},
    {10111, "Pick a curve for Bottom rail..."},
    {10112, "Pick a curve for Right rail..."},
    {10113, "Pick the object to subtract from..."},
    {10114, "Round"}, {10115, "Oval"}, {10116, "Marquise"}, {10117, "Pear"}, {10118, "Heart"},
    {10119, "Square"}, {10120, "Rectangle"}, {10121, "Taper"}, {10122, "Triangle"},
    {10123, "Octagon"},
    {10124, "Rendering to file..."},
    {10125, "Processing Outline Drawing..."},
    {10126, "Cutting into slices..."},
    {10127, "Converting SLC to STL ..."},
    {10129, "Generating NC program..."},
    {10130, "Determine bounding box... Press right mouse button to finish!"},
    {10131, "Estimating "},
    {10132, "Volume"},
    {10133, "Weight"},
    {10134, "Measuring distance..."},
    {10135, "Distance"},
    {10136, "Center of Gravity"},
    {10137, "Are you sure to Cancel?"},
    {10138, "picked objects"},
    {10139, "Pick two curves to create a curve in between them"},
    {10140, "Please pick a curve of same number of CVs as first curve."},
    {10141, "Pick a curve to measure its length..."},
    {10142, "Curve Length"},
    {msg::kFileDamaged, "The file is damaged: only the objects before the damage were read."},

    // Mouse help shown in the views while Tab is held.
    {20001, "       Left Mouse Button = Flip         Right Mouse Button = Zoom"},
    {20002, "Ctrl + Left Mouse Button = Pan   Ctrl + Right Mouse Button = Roll"},

    // Buttons.
    {1, "OK"}, {2, "Cancel"}, {3, "Browse"}, {4, "Reset"},

    // Dialogs: block text.
    {30200, "Create Block from curves"}, {30201, "Front End"}, {30202, "Back End"},
    {30203, "Sharp"}, {30204, "Fillet"}, {30205, "Chamfer"}, {30206, "Fillet/Chamfer radius"},
    {30207, "Block thickness"},
    // Colours.
    {30300, "Color Configuration"}, {30301, "Background Color"}, {30302, "Axis Color"},
    {30303, "Grid Color"}, {30304, "Picked Object Color"},
    // Line, circle, polygon, helix.
    {30400, "Line"}, {30401, "Angle (degree) at horizontal axis "},
    {30500, "Circle"}, {30501, "No. of CV's:"}, {30502, "First CV"}, {30503, "Vertex"},
    {30504, "Flat"}, {30505, "Diameter"}, {30506, "Radius"},
    {30600, "Polygon"}, {30601, "No. of Sides:"},
    {30700, "Helix"}, {30701, "Radius 1"}, {30702, "Radius 2"}, {30703, "Length"},
    {30704, "No. of turns"}, {30705, "CV's per turn"}, {30706, "Anit-clockwise"},
    {30707, "Clockwise"},
    // Divide curves and surfaces, surface step.
    {30800, "Divide Curves"}, {30801, "Dividing no.:"},
    {30900, "Divide Surface"}, {30901, "Dividing no.:"}, {30902, "Divide both"},
    {30903, "Divide U-curve"}, {30904, "Divide V-curve"},
    {31000, "Surface Step"}, {31001, "Step no. to assign "}, {31002, "Increasing ratio"},
    {31003, "Decreasing ratio"}, {31004, "U-Step"}, {31005, "V-Step"},
    // Pipe, offset.
    {31100, "Pipe Surface"}, {31101, "One section"}, {31102, "Two sections"},
    {31103, "Circular section"}, {31104, "Horizontal piping"}, {31105, "Vertical piping"},
    {31200, "Offset"}, {31201, "Offset radius"}, {31202, "Offset both sides"},
    {31203, "Offset outside only"}, {31204, "Offset inside only"},
    // Database browser, hotkeys, jewels, layers.
    {31300, "Orivanta Database"},
    {31600, "Hotkeys"}, {31601, "Hotkeys"}, {31602, "Commands"}, {31603, "Define Hotkey"},
    {31604, "Remove Hotkey"}, {31605, "Load Hotkey File"}, {31606, "Save Hotkey File"},
    {31607, "Save Hotkeys As Text File"},
    {31700, "Jewel"},
    {31800, "Layers"}, {31801, "Change picked objects to selected layer"},
    {31802, "Load Layer File"}, {31803, "Save Layer File"},
    // Text, extend, revolve, slices.
    {32000, "Text"}, {32001, "Create Block Text"}, {32002, "Set font"},
    {32100, "Extend"}, {32101, "Extend Number"},
    {32200, "Revolve"}, {32201, "Number"}, {32202, "Degree"}, {32203, "Full revolution"},
    {32204, "Clockwise"},
    {32300, "Show Slices"},
    // Rail surface.
    {32500, "Rail Surface"}, {32501, "Rail"}, {32502, "Section"}, {32503, "Section Extent"},
    {32504, "1 Rail"}, {32505, "2 Rails"}, {32506, "Vertical"}, {32507, "Horizontal"},
    {32508, "Loop (world origin)"}, {32509, "Loop (loop center)"}, {32510, "Scale"},
    {32511, "Semi-scale"}, {32512, "3 Rails"}, {32513, "4 Rails"}, {32514, "Single"},
    {32515, "Dual"}, {32516, "Mirror"}, {32517, "Multiple"}, {32518, "Circular"},
    // Projection and UV mapping.
    {32600, "Project Mapping"}, {32601, "Project Direction"}, {32602, "Top"},
    {32603, "Bottom"}, {32604, "Left"}, {32605, "Right"}, {32606, "Arbitrary"},
    {32607, "Horizontal"}, {32608, "Vertical"}, {32609, "In / Out"}, {32610, "Offset Base"},
    {32611, "Superimpose"}, {32612, "Just touch"}, {32613, "Keep surface sections"},
    {32700, "UVMap"}, {32701, "Mapping direction and extent"}, {32702, "Horizontal"},
    {32703, "Vertical"}, {32704, "Left"}, {32705, "Right"}, {32706, "Bottom"},
    {32707, "Top"}, {32708, "Auto mapping direction and extent"},
    {32709, "Uniformly mapping onto curve"},
    // Weight estimate.
    {32900, "Estimate Weight"}, {32901, "Specific gravity"}, {32910, "Gold(24K) 19.3"},
    {32911, "Gold(22K) 18.4"}, {32912, "Gold(18K) 16.9"}, {32913, "Gold(14K) 15.4"},
    {32914, "Gold(9K) 12.8"}, {32915, "Silver 10.5"}, {32916, "Platinum 21.4"},
    // Facet solid, slicing, one-side STL.
    {33000, "Extend Facet Object to Solid"}, {33001, "Setup"},
    {33100, "Cutting into Slices"}, {33101, "Slice File"}, {33102, "Slice thickness"},
    {33103, "RP Machine"}, {33104, "Advanced Settings"}, {33105, "XY resolution"},
    {33106, "Also output STL file"}, {33107, "ASCII"}, {33108, "Binary"},
    {33109, "Auto XY offset"}, {33110, "Auto  Z  offset"},
    {33200, "One side STL output"},
    // NC program.
    {33323, "Ball Point"}, {33324, "Flat End"}, {33325, "Conical"},
    {33326, "Standard GM Code"},
    {33400, "NC Show Path"}, {33401, "NC file name"}, {33402, "Object scale"},
    // Jewel count, loft bar, directories, ring and diamond size.
    {33500, "Counting number of round jewels"}, {33506, "No round jewel found!"},
    {33600, "Loft Surface"}, {33601, "Reverse Section"}, {33602, "Reverse Surface"},
    {33603, "Swap UV"},
    {33700, "Orivanta Directories"}, {33701, "Database"}, {33702, "Material"},
    {33900, "Ring Size"}, {33901, "United Kingdom"}, {33902, "United States"},
    {33903, "Europe"},
    {34000, "Round Diamond Size"},

    // Menu items added after the menu is built.
    {7200, "Restore removed curves"},
    {9301, "Ring Size"},
    {99901, "STL Output"}, {9131, "for 3-axis nc program"}, {9132, "for rotary nc program"},
    {99902, "Export/Print 3D to"}, {99903, "Cimagraphi"},
    {1005, "Import Surface from Cimagraphi"}, {1006, "Import Geometry from Cimagraphi"},
    {1007, "Export Surface to Cimagraphi"}, {1008, "Export Geometry to Cimagraphi"},
    {1009, "DeskProto"}, {1010, "OBJET Studio"}, {1011, "EnvisionTec - Perfactory"},
};

}  // namespace

std::span<const UiString> stringRun() { return kStringRun; }

std::string_view uiText(int id) {
    // Built on first use and never changed afterwards, so any thread may read it.
    static const StringTable builtIn;
    return builtIn.text(id);
}

StringTable::StringTable() {
    for (const UiString& s : kStringRun) add(s.id, s.text);
}

StringTable StringTable::empty() { return StringTable(EmptyTag{}); }

bool StringTable::add(int id, std::string_view text) {
    if (text.empty() || full()) return false;
    first_.emplace(id, pairs_.size());  // keeps an earlier pair of the same number
    pairs_.emplace_back(id, std::string(text));
    return true;
}

std::string_view StringTable::text(int id) const {
    auto it = first_.find(id);
    return it == first_.end() ? std::string_view{} : std::string_view(pairs_[it->second].second);
}

std::string_view StringTable::statusText(int id) const {
    std::string_view t = text(id);
    return t.substr(0, t.find('\n'));
}

}  // namespace orv
