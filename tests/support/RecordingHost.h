#pragma once

// A host that records every call a conversion makes, and whose pump can run a
// test's callback to act as a user clicking during the run.

#include "ConverterHost.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

using namespace bmp2cdata;

class RecordingHost : public ConverterHost {
public:
    void AddLine(const std::string& line) override
    {
        lines.push_back(line);
        Record("AddLine");
    }
    void ClearOutput() override
    {
        lines.clear();
        Record("ClearOutput");
    }
    void CopyAllToClipboard() override
    {
        clipboard.clear();
        for (const std::string& line : lines)
            clipboard.append(line).push_back('\n');
        ++copies;
        Record("CopyAllToClipboard");
    }
    void PumpEvents() override
    {
        ++pumps;
        Record("PumpEvents");
        if (onPump)
            onPump(pumps);
    }
    bool Rgb332Selected() override
    {
        Record("Rgb332Selected");
        return rgb332;
    }
    std::optional<std::string> ChooseFile() override { return std::nullopt; }

    void Record(const char* call)
    {
        if (recordCalls)
            calls.push_back(call);
    }

    // The output as one text, each line ended by a newline.
    std::string Text() const
    {
        std::string text;
        for (const std::string& line : lines)
            text += line + "\n";
        return text;
    }

    std::vector<std::string> lines;
    // Every call by name, unless a caller that makes millions of runs (the
    // fuzzer) turns it off.
    bool recordCalls = true;
    std::vector<std::string> calls;
    std::string clipboard;
    int copies = 0;
    int pumps = 0;
    bool rgb332 = false;
    // Called with the number of pumps so far, inside each pump.
    std::function<void(int)> onPump;
};
