#include "Painting.h"

#include "Application.h"
#include "Bitmap.h"
#include "Scoped.h"

#include <algorithm>
#include <optional>

namespace kx::ui {
namespace {

// A large window is drawn in bands of about this many bytes: it needs no bitmap of its size.
constexpr int BandBytes = 256 * 1024;

// A band bitmap selected into a memory DC of its own.
struct BandBitmap {
    BandBitmap(HDC window, int width, int rows)
        : Dc(CreateCompatibleDC(window)),
          Bitmap(CreateCompatibleBitmap(window, width, rows)),
          Selected(Dc.get(), Bitmap.get()),
          Width(Bitmap ? width : 0),  // one that could not be made is made again at the next paint
          Height(rows) {}
    MemoryDc Dc;
    GdiObject<HBITMAP> Bitmap;
    SelectedObject Selected;
    int Width, Height;
};

// The band of this thread's last paint: the next paint draws on it again, where a new bitmap
// would be memory the system must first clear.
struct KeptBand {
    std::optional<BandBitmap> Made;
    bool Busy = false;
};

thread_local KeptBand keptBand;

// A band bitmap at least width pixels wide and at most the rows asked for: the kept one when it
// is wide enough, else a new one kept in its place. A paint inside another's, as a message box
// of a failed draw may cause, gets one of its own.
class Band {
public:
    Band(HDC window, int width, int rows) : used_(keptBand.Busy ? &own_ : &keptBand) {
        if (!used_->Made || used_->Made->Width < width) used_->Made.emplace(window, width, rows);
        used_->Busy = true;
    }
    ~Band() { used_->Busy = false; }
    Band(const Band&) = delete;
    Band& operator=(const Band&) = delete;

    HDC Dc() const { return used_->Made->Dc.get(); }
    int Rows(int asked) const { return std::min(asked, used_->Made->Height); }

private:
    KeptBand own_;
    KeptBand* used_;
};

}  // namespace

void PaintBuffered(HWND hwnd, const std::function<void(HDC memory, const RECT& client, const RECT& part)>& draw) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    if (client.right > 0 && client.bottom > 0 && ps.rcPaint.bottom > ps.rcPaint.top) {
        const int rows = std::clamp(BandBytes / (4 * static_cast<int>(client.right)), 1,
                                    static_cast<int>(client.bottom));
        const Band band(dc, client.right, rows);
        const int bandHeight = band.Rows(rows);
        HDC memory = band.Dc();
        const DrawingSources sources;
        Application::Instance().Guarded([&] {
            for (int top = ps.rcPaint.top / bandHeight * bandHeight; top < ps.rcPaint.bottom; top += bandHeight) {
                // The band shows client rows from top on; every band starts from the same state.
                const RECT bandArea{0, top, client.right, top + bandHeight};
                RECT part;
                if (!IntersectRect(&part, &bandArea, &ps.rcPaint)) continue;
                const int saved = SaveDC(memory);
                SetViewportOrgEx(memory, 0, -top, nullptr);
                draw(memory, client, part);
                BitBlt(dc, part.left, part.top, part.right - part.left, part.bottom - part.top, memory, part.left,
                       part.top, SRCCOPY);
                RestoreDC(memory, saved);
            }
        });
    }
    EndPaint(hwnd, &ps);
}

}  // namespace kx::ui
