// Error reporting.
//
// Every problem the demo reports goes through here: a message box (when a
// display is there and VANTREL_NO_DIALOGS is not set) and always the same text
// on stderr. Three channels:
//   fatalError        - "Morvask Vantrel Error" box, then the process ends (status 1)
//   checkNativeError  - polls OpenGL at a named check point, "Frontend Native Error" box, goes on
//   CGerror           - "Frontend::CGerror" box with the compiler listing, then the process ends
// Unrecoverable conditions deep inside loaders (a file that will not open, a
// picture that will not decode, a code outside its table) throw Frontend::Error;
// the entry points catch it and report it with reportUnrecoverable.
#pragma once

#include <stdexcept>
#include <string>

namespace Frontend {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Exit status of every path that ends the process because of an error.
constexpr int kErrorExitStatus = 1;

// False when no box may be shown: no display, or VANTREL_NO_DIALOGS=1.
bool dialogsEnabled();

// Shows a modal box (if dialogs are enabled) and writes "caption: text" to stderr.
void showMessage(const std::string& caption, const std::string& text);

[[noreturn]] void fatalError(const std::string& message);

// A tool's last word before an error ends the process (the capture tool
// removes a half-written video); the three ending channels call it once.
void setExitCleanup(void (*cleanup)());

// Fetches one OpenGL error code. When there is one, reports
// "OpenGL native error: %x\n\n%s, line %i." and returns true.
bool checkNativeError(const char* location, int line);

// Reports a shader error: the error text, an empty line, the compiler listing,
// two line breaks; then ends the process.
[[noreturn]] void CGerror(const std::string& errorText, const std::string& listing);

// Reports an unrecoverable condition (a caught Frontend::Error) and ends the process.
[[noreturn]] void reportUnrecoverable(const std::string& message);

} // namespace Frontend
