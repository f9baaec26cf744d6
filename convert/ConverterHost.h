#pragma once

#include <optional>
#include <string>

namespace bmp2cdata {

// The operations a conversion needs from whatever shows its output: the
// window, the command-line host, or a test's recorder. All of them are called
// on one thread; PumpEvents is the only place where other handlers may run.
class ConverterHost {
public:
    virtual ~ConverterHost() = default;

    // Appends one line; it becomes the last line of the output, in call order.
    virtual void AddLine(const std::string& line) = 0;
    // Empties the output.
    virtual void ClearOutput() = 0;
    // Places the whole output text on the clipboard as plain text.
    virtual void CopyAllToClipboard() = 0;
    // Whether the last CopyAllToClipboard placed the text; a host whose
    // clipboard another program can hold says false when it gave up.
    virtual bool CopiedToClipboard() { return true; }
    // Dispatches every pending event without waiting for new ones.
    virtual void PumpEvents() = 0;
    // Tells whether the RGB332 option is ticked at the moment of the call.
    virtual bool Rgb332Selected() = 0;
    // Asks the user for a file; the full path, or nothing when cancelled.
    virtual std::optional<std::string> ChooseFile() = 0;
};

// Process-wide request to stop the running conversion: cleared by Convert,
// set by Close, tested by the conversion's loops.
extern bool StopConversion;

}  // namespace bmp2cdata
