// Times whole conversions through the native window (under Wine, on this
// machine) against the same number of bare event pumps there: every pump is
// a round trip to the Wine server, so only the ratio says something.
//   bench_win32_window BMPFILE [RUNS]
// prints: window-ms floor-ms pumps

#include "BenchSupport.h"
#include "CdataTable.h"
#include "TApplication.h"
#include "UnitMain.h"
#include "WideText.h"

#include <cstdio>
#include <cwchar>
#include <string>

using namespace bmp2cdata;

namespace {

// Counts the event pumps a run makes.
class CountingApplication : public win32::TApplication {
public:
    CountingApplication() : win32::TApplication(GetModuleHandleW(nullptr)) { Initialize(); }
    void ProcessMessages() override
    {
        ++pumps;
        win32::TApplication::ProcessMessages();
    }
    long pumps = 0;
};

std::wstring OutputOf(const win32::TForm1& form)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(form.Memo1)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(form.Memo1, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        std::fputs("usage: bench_win32_window BMPFILE [RUNS]\n", stderr);
        return 2;
    }
    const std::string path = Utf8FromWide(argv[1]);
    const int runs = argc > 2 ? static_cast<int>(std::wcstol(argv[2], nullptr, 10)) : 3;
    CountingApplication application;
    win32::TForm1 form(application);
    form.SetFileChooser([&path] { return std::optional<std::string>(path); });
    form.Show();
    application.ProcessMessages();

    const auto convert = [&] {
        SendMessageW(form.ConvertButton, BM_CLICK, 0, 0);
        application.ProcessMessages();  // the last repaint
    };
    application.pumps = 0;
    convert();
    const long pumps = application.pumps;
    if (const std::wstring output = OutputOf(form); !output.ends_with(WideFromUtf8(kClosingMessage))) {
        // The last line says why: a complaint, or a clipboard kept busy.
        const std::size_t lastLine = output.find_last_of(L'\n', output.size() - 2);
        std::fprintf(stderr, "bench_win32_window: the conversion did not finish: %s\n",
                     Utf8FromWide(output.substr(lastLine == std::wstring::npos ? 0 : lastLine + 1)).c_str());
        return 1;
    }
    const double window = MedianMilliseconds(runs, convert);
    const double floor = MedianMilliseconds(runs, [&] {
        for (long pump = 0; pump < pumps; ++pump)
            application.win32::TApplication::ProcessMessages();
    });
    std::printf("%.3f %.3f %ld\n", window, floor, pumps);
    return 0;
}
