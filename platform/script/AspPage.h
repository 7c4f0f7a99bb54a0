#pragma once
// .asp pages as script: a page file becomes one script function, the page function, that returns
// the page's text. Literal text becomes `fs.add` statements, code blocks are copied with
// "response.write" made "fs.add", the expression form `<%= x %>` adds its value, include
// directives become lines of the script, and declarations before the first statement and
// procedures stand outside the function. The page engine defines `FastString` (add, value) for
// the page's buffer `fs`. Both the plug-in's web server (for its slides) and the host's run pages
// converted so.

#include <string>

namespace script {

// The conversion of one page.
struct AspPage {
    std::string functionName;  // the page function's name
    std::string script;        // what the conversion has written so far
    bool statementSeen = false;
    bool proceduresStarted = false;
    bool headEmitted = false;
    bool tailEmitted = false;
    std::string currentLine;
};

// Converts the page's text, whose line ends are CR LF (WithCrLf), appending to page.script.
void ConvertAspPage(AspPage& page, const std::string& text);

// The text with every line end (CR LF, LF alone, CR alone) written as CR LF.
std::string WithCrLf(const std::string& text);

}  // namespace script
