#pragma once
#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace orv {

class Document;

struct ScriptOptions {
    std::filesystem::path open;  // design to open before the first line
    std::filesystem::path save;  // where to save the design after the last line
};

// Runs a command script against one document, exactly as the desktop runs the same
// commands. A failing line stops the script with "FILE:LINE: message" on `err` and exit
// status 1; files written by the script's lines are replaced only when every line succeeded.
int runScript(const std::filesystem::path& script, const ScriptOptions& options, Document& doc,
              std::ostream& out, std::ostream& err);

// Splits a script line into words: double quotes group spaces, and a word of the form
// label=value may quote either side ("No. of CV's"=8). A '#' outside quotes ends the line.
struct ScriptWord {
    std::string text;     // quotes removed
    std::string label;    // for label=value words: the label, quotes removed
    std::string value;    // and the value
    bool assignment = false;
};
bool splitScriptLine(const std::string& line, std::vector<ScriptWord>& words, std::string& error);

}  // namespace orv
