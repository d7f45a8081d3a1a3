// kxdrawbench PICTURE [COUNT]: the cost of drawing one picture with the colour of its top-left
// pixel left out, as the launcher's buttons are drawn, into a bitmap of the screen's format:
// whole, and clipped by one band of the launcher's paint (81 rows of 800, showing 62 of the
// picture's rows); against a plain copy of the picture into the same places; drawn from the
// picture's file, as a loaded picture is, and from a bitmap of its own.
#include "Bitmap.h"
#include "Os.h"
#include "Scoped.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

constexpr int Repetitions = 9;

// The median over the repetitions of the mean time of one call.
double MicrosecondsPerCall(int count, const std::function<void()>& call) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    call();
    std::vector<double> means;
    for (int r = 0; r < Repetitions; ++r) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        for (int i = 0; i < count; ++i) call();
        QueryPerformanceCounter(&end);
        means.push_back(1e6 * static_cast<double>(end.QuadPart - start.QuadPart) /
                        static_cast<double>(frequency.QuadPart) / count);
    }
    std::nth_element(means.begin(), means.begin() + Repetitions / 2, means.end());
    return means[Repetitions / 2];
}

// A memory DC on a bitmap of the screen's format, showing the window's rows from top on.
class Target {
public:
    Target(HDC screen, int width, int height, int top)
        : dc_(CreateCompatibleDC(screen)),
          bitmap_(CreateCompatibleBitmap(screen, width, height)),
          selected_(dc_.get(), bitmap_.get()) {
        SetViewportOrgEx(dc_.get(), 0, -top, nullptr);
    }
    HDC Dc() const { return dc_.get(); }

private:
    kx::MemoryDc dc_;
    kx::GdiObject<HBITMAP> bitmap_;
    kx::SelectedObject selected_;
};

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args = kx::os::CommandLineArguments(argc, argv);
    if (args.size() < 2) {
        std::fputs("usage: kxdrawbench PICTURE [COUNT]\n", stderr);
        return 2;
    }
    const int count = args.size() > 2 ? std::atoi(args[2].c_str()) : 200;
    const auto picture = kx::ui::Bitmap::LoadFromFile(args[1]);
    // Where the launcher shows its first tool button; its paint's bands are 81 rows high.
    const RECT dest{25, 181, 25 + picture->Width(), 181 + picture->Height()};
    const kx::WindowDc screen;
    const Target whole(screen.get(), 800, 480, 0), band(screen.get(), 800, 81, 162);

    // A paint lends its source device contexts to every draw.
    const kx::ui::DrawingSources sources;
    const auto keyed = [&](HDC dc) { picture->Draw(dc, dest, kx::ui::KeyPixel::TopLeft); };
    const auto plain = [&](HDC dc) { picture->Draw(dc, dest); };
    std::printf("%d x %d picture, us per draw (median of %d means of %d draws)\n", picture->Width(),
                picture->Height(), Repetitions, count);
    std::printf("%-34s %10s %10s\n", "", "keyed", "plain");
    const auto measure = [&](const char* source) {
        for (const auto& [label, target] : {std::pair{"whole", &whole}, std::pair{"clipped by a band", &band}}) {
            const double keyedCost = MicrosecondsPerCall(count, [&] { keyed(target->Dc()); });
            const double plainCost = MicrosecondsPerCall(count, [&] { plain(target->Dc()); });
            std::printf("%-16s %-17s %10.1f %10.1f\n", source, label, keyedCost, plainCost);
        }
    };
    measure("from its file");
    // Asked for its handle, a picture is drawn from a bitmap of its own from then on.
    picture->Handle();
    measure("from its bitmap");
    return 0;
}
