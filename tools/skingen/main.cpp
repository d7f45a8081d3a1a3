// kxskingen OUTDIR: writes the demo skin (OUTDIR\Main\*.bmp and OUTDIR\About\*.bmp) as 24-bit
// bitmaps. Everything is drawn here with anti-aliased shapes and a small stroke font, so the
// skin needs no artwork files and looks the same on every build machine.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

struct Color {
    float R, G, B;
};

Color Mix(Color a, Color b, float t) { return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t}; }
Color Rgb(int r, int g, int b) { return {float(r), float(g), float(b)}; }

// The colour the picture buttons and pictures leave out; never produced by blending.
const Color Key = Rgb(255, 0, 255);

struct Point {
    float X, Y;
};

class Canvas {
public:
    Canvas(int width, int height, Color fill) : width_(width), height_(height), pixels_(width * height, fill) {}
    int Width() const { return width_; }
    int Height() const { return height_; }

    void Blend(int x, int y, Color c, float alpha) {
        if (x < 0 || y < 0 || x >= width_ || y >= height_ || alpha <= 0) return;
        Color& p = pixels_[y * width_ + x];
        p = Mix(p, c, std::min(alpha, 1.0f));
    }
    Color At(int x, int y) const { return pixels_[y * width_ + x]; }
    void Set(int x, int y, Color c) { pixels_[y * width_ + x] = c; }

    template <class ColorAt>
    void VerticalGradient(ColorAt colorAt) {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) Set(x, y, colorAt(x, y));
    }

    // Coverage-based shapes: signed distance < 0 inside, one pixel of soft edge.
    template <class Distance, class Paint>
    void Shape(int x0, int y0, int x1, int y1, Distance distance, Paint paint, float opacity = 1) {
        for (int y = std::max(0, y0); y < std::min(height_, y1); ++y)
            for (int x = std::max(0, x0); x < std::min(width_, x1); ++x) {
                const float d = distance(x + 0.5f, y + 0.5f);
                const float coverage = std::clamp(0.5f - d, 0.0f, 1.0f);
                if (coverage > 0) Blend(x, y, paint(x, y), coverage * opacity);
            }
    }

    void Save(const std::filesystem::path& path) const {
        const int stride = (width_ * 3 + 3) & ~3;
        const std::uint32_t imageSize = static_cast<std::uint32_t>(stride * height_);
        std::vector<std::uint8_t> out(54 + imageSize, 0);
        auto put32 = [&](std::size_t at, std::uint32_t v) {
            for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
        };
        out[0] = 'B';
        out[1] = 'M';
        put32(2, 54 + imageSize);
        put32(10, 54);
        put32(14, 40);
        put32(18, static_cast<std::uint32_t>(width_));
        put32(22, static_cast<std::uint32_t>(height_));
        out[26] = 1;
        out[28] = 24;
        put32(34, imageSize);
        put32(38, 2835);
        put32(42, 2835);
        for (int y = 0; y < height_; ++y) {
            std::uint8_t* row = &out[54 + static_cast<std::size_t>(height_ - 1 - y) * stride];
            for (int x = 0; x < width_; ++x) {
                const Color c = pixels_[y * width_ + x];
                row[x * 3 + 0] = static_cast<std::uint8_t>(std::clamp(std::lround(c.B), 0L, 255L));
                row[x * 3 + 1] = static_cast<std::uint8_t>(std::clamp(std::lround(c.G), 0L, 255L));
                row[x * 3 + 2] = static_cast<std::uint8_t>(std::clamp(std::lround(c.R), 0L, 255L));
            }
        }
        std::ofstream file(path, std::ios::binary);
        file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
        if (!file) throw std::runtime_error("cannot write " + path.string());
    }

private:
    int width_, height_;
    std::vector<Color> pixels_;
};

float RoundBoxDistance(float px, float py, float x0, float y0, float x1, float y1, float radius) {
    const float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const float hx = (x1 - x0) / 2 - radius, hy = (y1 - y0) / 2 - radius;
    const float qx = std::fabs(px - cx) - hx, qy = std::fabs(py - cy) - hy;
    const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - radius;
}

float SegmentDistance(float px, float py, Point a, Point b) {
    const float dx = b.X - a.X, dy = b.Y - a.Y;
    const float length2 = dx * dx + dy * dy;
    const float t = length2 > 0 ? std::clamp(((px - a.X) * dx + (py - a.Y) * dy) / length2, 0.0f, 1.0f) : 0;
    return std::hypot(px - (a.X + t * dx), py - (a.Y + t * dy));
}

void FillRoundRect(Canvas& c, float x0, float y0, float x1, float y1, float radius, Color color, float opacity = 1) {
    c.Shape(int(x0) - 1, int(y0) - 1, int(x1) + 2, int(y1) + 2,
            [&](float x, float y) { return RoundBoxDistance(x, y, x0, y0, x1, y1, radius); },
            [&](int, int) { return color; }, opacity);
}

template <class Paint>
void FillRoundRectWith(Canvas& c, float x0, float y0, float x1, float y1, float radius, Paint paint) {
    c.Shape(int(x0) - 1, int(y0) - 1, int(x1) + 2, int(y1) + 2,
            [&](float x, float y) { return RoundBoxDistance(x, y, x0, y0, x1, y1, radius); }, paint);
}

void StrokeRoundRect(Canvas& c, float x0, float y0, float x1, float y1, float radius, float width, Color color,
                     float opacity = 1) {
    c.Shape(int(x0) - 2, int(y0) - 2, int(x1) + 3, int(y1) + 3,
            [&](float x, float y) { return std::fabs(RoundBoxDistance(x, y, x0, y0, x1, y1, radius)) - width / 2; },
            [&](int, int) { return color; }, opacity);
}

void Line(Canvas& c, Point a, Point b, float width, Color color, float opacity = 1) {
    const float pad = width + 2;
    c.Shape(int(std::min(a.X, b.X) - pad), int(std::min(a.Y, b.Y) - pad), int(std::max(a.X, b.X) + pad),
            int(std::max(a.Y, b.Y) + pad), [&](float x, float y) { return SegmentDistance(x, y, a, b) - width / 2; },
            [&](int, int) { return color; }, opacity);
}

void Ring(Canvas& c, Point centre, float radius, float width, Color color) {
    c.Shape(int(centre.X - radius - width), int(centre.Y - radius - width), int(centre.X + radius + width + 2),
            int(centre.Y + radius + width + 2),
            [&](float x, float y) { return std::fabs(std::hypot(x - centre.X, y - centre.Y) - radius) - width / 2; },
            [&](int, int) { return color; });
}

void Disc(Canvas& c, Point centre, float radius, Color color, float opacity = 1) {
    c.Shape(int(centre.X - radius - 1), int(centre.Y - radius - 1), int(centre.X + radius + 2),
            int(centre.Y + radius + 2), [&](float x, float y) { return std::hypot(x - centre.X, y - centre.Y) - radius; },
            [&](int, int) { return color; }, opacity);
}

void Triangle(Canvas& c, Point a, Point b, Point p3, Color color) {
    auto edge = [](Point p, Point q, float x, float y) {
        const float nx = q.Y - p.Y, ny = p.X - q.X, length = std::hypot(nx, ny);
        return ((x - p.X) * nx + (y - p.Y) * ny) / length;
    };
    const float sign = edge(a, b, p3.X, p3.Y) > 0 ? -1.0f : 1.0f;
    c.Shape(int(std::min({a.X, b.X, p3.X})) - 1, int(std::min({a.Y, b.Y, p3.Y})) - 1,
            int(std::max({a.X, b.X, p3.X})) + 2, int(std::max({a.Y, b.Y, p3.Y})) + 2,
            [&](float x, float y) {
                return std::max({sign * edge(a, b, x, y), sign * edge(b, p3, x, y), sign * edge(p3, a, x, y)});
            },
            [&](int, int) { return color; });
}

// A geometric stroke font in a 4 x 6 box; curved letters are rounded by corner cutting.
using Stroke = std::vector<Point>;
struct Glyph {
    std::vector<Stroke> Strokes;
    bool Curved = false;
};

const std::map<char, Glyph>& Font() {
    static const std::map<char, Glyph> font = {
        {'A', {{{{0, 6}, {2, 0}, {4, 6}}, {{0.7f, 4}, {3.3f, 4}}}}},
        {'B', {{{{0, 0}, {0, 6}}, {{0, 0}, {2.9f, 0}, {3.6f, 0.3f}, {4, 0.9f}, {4, 2.1f}, {3.6f, 2.7f}, {2.9f, 3}, {0, 3}}, {{0, 3}, {3, 3}, {3.7f, 3.3f}, {4, 4}, {4, 5}, {3.7f, 5.7f}, {3, 6}, {0, 6}}}}},
        {'C', {{{{4, 0.8f}, {3.2f, 0}, {0.8f, 0}, {0, 0.8f}, {0, 5.2f}, {0.8f, 6}, {3.2f, 6}, {4, 5.2f}}}, true}},
        {'D', {{{{0, 0}, {0, 6}}, {{0, 0}, {2.2f, 0}, {3.3f, 0.5f}, {3.85f, 1.3f}, {4, 2.2f}, {4, 3.8f}, {3.85f, 4.7f}, {3.3f, 5.5f}, {2.2f, 6}, {0, 6}}}}},
        {'E', {{{{4, 0}, {0, 0}, {0, 6}, {4, 6}}, {{0, 3}, {3.2f, 3}}}}},
        {'F', {{{{4, 0}, {0, 0}, {0, 6}}, {{0, 3}, {3.2f, 3}}}}},
        {'G', {{{{4, 0.8f}, {3.2f, 0}, {0.8f, 0}, {0, 0.8f}, {0, 5.2f}, {0.8f, 6}, {3.2f, 6}, {4, 5.2f}, {4, 3.4f}, {2.4f, 3.4f}}}, true}},
        {'H', {{{{0, 0}, {0, 6}}, {{4, 0}, {4, 6}}, {{0, 3}, {4, 3}}}}},
        {'I', {{{{2, 0}, {2, 6}}, {{1, 0}, {3, 0}}, {{1, 6}, {3, 6}}}}},
        {'J', {{{{4, 0}, {4, 5.2f}, {3.2f, 6}, {0.8f, 6}, {0, 5.2f}}}, true}},
        {'K', {{{{0, 0}, {0, 6}}, {{4, 0}, {0, 4}}, {{1.5f, 2.5f}, {4, 6}}}}},
        {'L', {{{{0, 0}, {0, 6}, {4, 6}}}}},
        {'M', {{{{0, 6}, {0, 0}, {2, 3.4f}, {4, 0}, {4, 6}}}}},
        {'N', {{{{0, 6}, {0, 0}, {4, 6}, {4, 0}}}}},
        {'O', {{{{0.8f, 0}, {3.2f, 0}, {4, 0.8f}, {4, 5.2f}, {3.2f, 6}, {0.8f, 6}, {0, 5.2f}, {0, 0.8f}, {0.8f, 0}}}, true}},
        {'P', {{{{0, 6}, {0, 0}, {3.1f, 0}, {4, 0.9f}, {4, 2.1f}, {3.1f, 3}, {0, 3}}}, true}},
        {'Q', {{{{0.8f, 0}, {3.2f, 0}, {4, 0.8f}, {4, 5.2f}, {3.2f, 6}, {0.8f, 6}, {0, 5.2f}, {0, 0.8f}, {0.8f, 0}}, {{2.6f, 4.6f}, {4, 6}}}, true}},
        {'R', {{{{0, 6}, {0, 0}, {3.1f, 0}, {4, 0.9f}, {4, 2.1f}, {3.1f, 3}, {0, 3}}, {{2.2f, 3}, {4, 6}}}, true}},
        {'S', {{{{4, 0.8f}, {3.2f, 0}, {0.8f, 0}, {0, 0.8f}, {0, 2.2f}, {0.8f, 3}, {3.2f, 3}, {4, 3.8f}, {4, 5.2f}, {3.2f, 6}, {0.8f, 6}, {0, 5.2f}}}, true}},
        {'T', {{{{0, 0}, {4, 0}}, {{2, 0}, {2, 6}}}}},
        {'U', {{{{0, 0}, {0, 5}, {1, 6}, {3, 6}, {4, 5}, {4, 0}}}, true}},
        {'V', {{{{0, 0}, {2, 6}, {4, 0}}}}},
        {'W', {{{{0, 0}, {1, 6}, {2, 2}, {3, 6}, {4, 0}}}}},
        {'X', {{{{0, 0}, {4, 6}}, {{4, 0}, {0, 6}}}}},
        {'Y', {{{{0, 0}, {2, 3}, {4, 0}}, {{2, 3}, {2, 6}}}}},
        {'Z', {{{{0, 0}, {4, 0}, {0, 6}, {4, 6}}}}},
    };
    return font;
}

Stroke Smooth(const Stroke& s) {
    Stroke out = s;
    for (int round = 0; round < 3; ++round) {
        if (out.size() < 3) return out;
        const bool closed = out.front().X == out.back().X && out.front().Y == out.back().Y;
        Stroke next;
        if (!closed) next.push_back(out.front());
        for (std::size_t i = 0; i + 1 < out.size(); ++i) {
            const Point a = out[i], b = out[i + 1];
            next.push_back({a.X * 0.75f + b.X * 0.25f, a.Y * 0.75f + b.Y * 0.25f});
            next.push_back({a.X * 0.25f + b.X * 0.75f, a.Y * 0.25f + b.Y * 0.75f});
        }
        if (closed) next.push_back(next.front());
        else next.push_back(out.back());
        out = std::move(next);
    }
    return out;
}

float TextWidth(const std::string& text, float scale, float spacing) {
    float width = 0;
    for (std::size_t i = 0; i < text.size(); ++i) width += (text[i] == ' ' ? 2.5f : 4) * scale + (i + 1 < text.size() ? spacing : 0);
    return width;
}

// Draws the text with its top-left at (x, y); the paint gives each pixel's colour.
template <class Paint>
void Text(Canvas& c, const std::string& text, float x, float y, float scale, float weight, float spacing, Paint paint,
          float opacity = 1) {
    std::vector<std::pair<Point, Point>> segments;
    float pen = x;
    for (char ch : text) {
        if (ch == ' ') {
            pen += 2.5f * scale + spacing;
            continue;
        }
        const auto found = Font().find(ch);
        if (found != Font().end()) {
            for (const Stroke& raw : found->second.Strokes) {
                const Stroke s = found->second.Curved ? Smooth(raw) : raw;
                for (std::size_t i = 0; i + 1 < s.size(); ++i)
                    segments.push_back({{pen + s[i].X * scale, y + s[i].Y * scale},
                                        {pen + s[i + 1].X * scale, y + s[i + 1].Y * scale}});
            }
        }
        pen += 4 * scale + spacing;
    }
    const int x0 = int(x - weight - 2), y0 = int(y - weight - 2);
    const int x1 = int(pen + weight + 2), y1 = int(y + 6 * scale + weight + 2);
    c.Shape(x0, y0, x1, y1,
            [&](float px, float py) {
                float best = 1e9f;
                for (const auto& [a, b] : segments) {
                    if (px < std::min(a.X, b.X) - weight - 1 || px > std::max(a.X, b.X) + weight + 1) continue;
                    if (py < std::min(a.Y, b.Y) - weight - 1 || py > std::max(a.Y, b.Y) + weight + 1) continue;
                    best = std::min(best, SegmentDistance(px, py, a, b));
                }
                return best - weight / 2;
            },
            paint, opacity);
}

void CentredText(Canvas& c, const std::string& text, float centreX, float y, float scale, float weight, float spacing,
                 Color color, float opacity = 1) {
    Text(c, text, centreX - TextWidth(text, scale, spacing) / 2, y, scale, weight, spacing,
         [&](int, int) { return color; }, opacity);
}

// Pixels that the shapes never touched become the key colour; edges keep their blend with the
// matte, which is close to what lies under them on screen.
void KeyOutUntouched(Canvas& c, Color matte) {
    for (int y = 0; y < c.Height(); ++y)
        for (int x = 0; x < c.Width(); ++x) {
            const Color p = c.At(x, y);
            if (p.R == matte.R && p.G == matte.G && p.B == matte.B) c.Set(x, y, Key);
        }
}

// ---------------------------------------------------------------- the main window

const Color Navy = Rgb(16, 22, 36);
const Color Teal = Rgb(0, 188, 200);
const Color Amber = Rgb(255, 152, 46);
const Color Violet = Rgb(150, 112, 255);

Color Backdrop(int x, int y) {
    const Color top = Rgb(22, 30, 48), bottom = Rgb(9, 12, 21);
    Color c = Mix(top, bottom, y / 480.0f);
    const float glow = std::max(0.0f, 1 - std::hypot((x - 400) / 520.0f, (y - 120) / 300.0f));
    c = Mix(c, Rgb(18, 92, 112), glow * glow * 0.55f);
    return c;
}

void MainBackground(const std::filesystem::path& folder) {
    Canvas c(800, 480, Navy);
    c.VerticalGradient(Backdrop);
    // header band and its accent line
    for (int y = 0; y < 44; ++y)
        for (int x = 0; x < 800; ++x) c.Blend(x, y, Rgb(5, 7, 13), 0.45f);
    for (int x = 0; x < 800; ++x) {
        const float t = x / 799.0f;
        c.Blend(x, 44, Mix(Teal, Amber, t), 0.85f);
        c.Blend(x, 45, Mix(Teal, Amber, t), 0.25f);
    }
    // the mark beside the title: a kestrel's wing in a diamond
    Triangle(c, {22, 9}, {33, 20}, {22, 31}, Amber);
    Triangle(c, {22, 9}, {11, 20}, {22, 31}, Rgb(255, 196, 110));
    Line(c, {16, 21}, {28, 15}, 2, Rgb(60, 32, 8), 0.8f);
    // product name with a soft glow
    for (int pass = 3; pass >= 1; --pass)
        CentredText(c, "KESTRIX", 400, 78, 9, 7.0f + pass * 5, 22, Teal, 0.06f);
    Text(c, "KESTRIX", 400 - TextWidth("KESTRIX", 9, 22) / 2, 78, 9, 7, 22,
         [](int, int y) { return Mix(Rgb(255, 255, 255), Rgb(170, 236, 242), (y - 78) / 54.0f); });
    CentredText(c, "VIDEO EDITING SUITE", 400, 148, 1.9f, 1.6f, 7, Rgb(130, 196, 206));
    Line(c, {250, 152}, {282, 152}, 1, Rgb(130, 196, 206), 0.5f);
    Line(c, {518, 152}, {550, 152}, 1, Rgb(130, 196, 206), 0.5f);
    // a quiet film strip along the bottom
    for (int y = 392; y < 440; ++y)
        for (int x = 0; x < 800; ++x) c.Blend(x, y, Rgb(0, 0, 0), 0.22f);
    for (int x = 8; x < 800; x += 26) {
        FillRoundRect(c, float(x), 397, float(x + 14), 405, 2, Rgb(255, 255, 255), 0.07f);
        FillRoundRect(c, float(x), 427, float(x + 14), 435, 2, Rgb(255, 255, 255), 0.07f);
    }
    for (int x = 0; x < 800; x += 104) Line(c, {float(x), 409}, {float(x), 423}, 1, Rgb(255, 255, 255), 0.05f);
    CentredText(c, "CHOOSE A TOOL TO BEGIN", 400, 455, 1.5f, 1.3f, 5, Rgb(110, 130, 160));
    c.Save(folder / "Main.bmp");
}

enum class State { Normal, On, Down, Disabled };

// The part of the background a control covers, for the matte of its soft edges.
Color MatteAt(int x, int y) { return Backdrop(x, y); }

void ToolTile(const std::filesystem::path& folder, const std::string& file, State state, const std::string& name,
              const std::string& role, Color accent, int tool, Color matte) {
    Canvas c(232, 182, matte);
    const float shift = state == State::Down ? 2 : 0;
    Color top = Rgb(38, 50, 74), bottom = Rgb(22, 30, 47), border = Rgb(64, 82, 112);
    if (state == State::On) top = Rgb(46, 64, 94), bottom = Rgb(27, 39, 60), border = accent;
    if (state == State::Down) top = Rgb(18, 25, 39), bottom = Rgb(26, 35, 53), border = Mix(accent, Navy, 0.3f);
    if (state == State::On) StrokeRoundRect(c, 2, 2, 230, 180, 15, 4, accent, 0.18f);
    FillRoundRectWith(c, 3, 3, 229, 179, 14, [&](int, int y) { return Mix(top, bottom, y / 182.0f); });
    StrokeRoundRect(c, 3.5f, 3.5f, 228.5f, 178.5f, 14, state == State::Normal ? 1.2f : 2, border);
    // a sheen on the upper half
    for (int y = 5; y < 70; ++y)
        for (int x = 5; x < 227; ++x)
            if (RoundBoxDistance(x + 0.5f, y + 0.5f, 3, 3, 229, 179, 14) < -1.5f)
                c.Blend(x, y, Rgb(255, 255, 255), 0.06f * (1 - (y - 5) / 65.0f));
    const Color ink = state == State::Normal ? Mix(accent, Rgb(255, 255, 255), 0.15f) : Mix(accent, Rgb(255, 255, 255), 0.35f);
    const float cy = 74 + shift;
    Disc(c, {116, cy}, 44, accent, state == State::On ? 0.16f : 0.09f);
    if (tool == 0) {  // scissors with speed lines
        Ring(c, {101, cy + 22}, 10, 4.5f, ink);
        Ring(c, {131, cy + 22}, 10, 4.5f, ink);
        Line(c, {106, cy + 13}, {142, cy - 30}, 5, ink);
        Line(c, {126, cy + 13}, {90, cy - 30}, 5, ink);
        Disc(c, {116, cy - 4}, 3, Navy);
        for (int i = 0; i < 3; ++i)
            Line(c, {58.0f + i * 4, cy - 18 + i * 12.0f}, {76.0f + i * 2, cy - 18 + i * 12.0f}, 3, ink, 0.6f);
    } else if (tool == 1) {  // a stack of clips
        for (int i = 0; i < 3; ++i) {
            const float x = 78.0f + i * 12, y = cy - 32 + i * 11;
            FillRoundRect(c, x, y, x + 62, y + 40, 5, Mix(top, bottom, 0.5f));
            StrokeRoundRect(c, x, y, x + 62, y + 40, 5, 3.5f, i == 2 ? ink : Mix(ink, top, 0.45f - i * 0.15f));
        }
        Triangle(c, {128, cy + 2}, {128, cy + 20}, {143, cy + 11}, ink);
    } else {  // film strip over a timeline
        FillRoundRect(c, 66, cy - 34, 166, cy + 2, 4, ink);
        for (int x = 71; x < 162; x += 12) {
            FillRoundRect(c, float(x), cy - 31, float(x + 6), cy - 27, 1, Mix(top, bottom, 0.4f));
            FillRoundRect(c, float(x), cy - 3, float(x + 6), cy + 1, 1, Mix(top, bottom, 0.4f));
        }
        for (int i = 0; i < 3; ++i) FillRoundRect(c, 72.0f + i * 31, cy - 24, 98.0f + i * 31, cy - 6, 2, Mix(top, accent, 0.25f));
        Line(c, {70, cy + 16}, {162, cy + 16}, 3, Mix(ink, top, 0.4f));
        Line(c, {70, cy + 30}, {162, cy + 30}, 3, Mix(ink, top, 0.4f));
        Disc(c, {98, cy + 16}, 6, ink);
        Disc(c, {138, cy + 30}, 6, ink);
        Line(c, {120, cy - 40}, {120, cy + 38}, 2, Amber);
    }
    const Color label = state == State::Normal ? Rgb(232, 238, 246) : Rgb(255, 255, 255);
    CentredText(c, name, 116, 134 + shift, 2.4f, 2.1f, 5, label);
    CentredText(c, role, 116, 157 + shift, 1.35f, 1.2f, 4, Mix(accent, Rgb(200, 210, 225), 0.45f));
    KeyOutUntouched(c, matte);
    c.Save(folder / file);
}

void CloseButton(const std::filesystem::path& folder, const std::string& file, State state, int width, int height,
                 Color matte) {
    Canvas c(width, height, matte);
    Color face = Rgb(196, 58, 62);
    if (state == State::On) face = Rgb(232, 82, 84);
    if (state == State::Down) face = Rgb(150, 38, 44);
    if (state == State::Disabled) face = Rgb(88, 92, 104);
    FillRoundRectWith(c, 0.5f, 0.5f, width - 0.5f, height - 0.5f, 5,
                      [&](int, int y) { return Mix(Mix(face, Rgb(255, 255, 255), 0.18f), face, float(y) / height); });
    const float cx = width / 2.0f, cy = height / 2.0f + (state == State::Down ? 1 : 0), r = height * 0.2f;
    const Color mark = state == State::Disabled ? Rgb(150, 154, 166) : Rgb(255, 255, 255);
    Line(c, {cx - r, cy - r}, {cx + r, cy + r}, 2, mark);
    Line(c, {cx + r, cy - r}, {cx - r, cy + r}, 2, mark);
    KeyOutUntouched(c, matte);
    c.Save(folder / file);
}

void LinkPicture(const std::filesystem::path& folder, const std::string& file, State state, bool home, Color matte) {
    Canvas c(24, 26, matte);
    const Color ink = state == State::On ? Teal : state == State::Down ? Amber : Rgb(214, 226, 240);
    if (home) {
        Line(c, {3, 12}, {12, 4}, 2.2f, ink);
        Line(c, {12, 4}, {21, 12}, 2.2f, ink);
        StrokeRoundRect(c, 6, 11, 18, 21.5f, 1.5f, 2, ink);
        FillRoundRect(c, 10.5f, 15, 13.5f, 21.5f, 0.5f, ink);
    } else {
        Ring(c, {12, 13}, 9, 2, ink);
        Disc(c, {12, 8.5f}, 1.6f, ink);
        Line(c, {12, 12}, {12, 18}, 2.4f, ink);
    }
    KeyOutUntouched(c, matte);
    // the picture leaves out its bottom-left pixel's colour
    if (c.At(0, 25).R != Key.R || c.At(0, 25).B != Key.B) c.Set(0, 25, Key);
    c.Save(folder / file);
}

// ---------------------------------------------------------------- the About box

Color AboutBody(int, int y) { return Mix(Rgb(246, 248, 251), Rgb(222, 229, 239), y / 348.0f); }

void AboutBackground(const std::filesystem::path& folder) {
    Canvas c(481, 348, Navy);
    c.VerticalGradient([](int x, int y) {
        if (y < 31) return Mix(Rgb(26, 36, 58), Rgb(14, 20, 34), y / 31.0f);
        return AboutBody(x, y);
    });
    for (int x = 0; x < 481; ++x) c.Blend(x, 31, Mix(Teal, Amber, x / 480.0f), 0.9f);
    Triangle(c, {20, 6}, {29, 15}, {20, 24}, Amber);
    Triangle(c, {20, 6}, {11, 15}, {20, 24}, Rgb(255, 196, 110));
    // a large faint mark behind the texts
    Triangle(c, {400, 60}, {470, 150}, {400, 240}, Rgb(0, 150, 170));
    Triangle(c, {400, 60}, {330, 150}, {400, 240}, Rgb(255, 152, 46));
    for (int y = 60; y < 240; ++y)
        for (int x = 330; x < 471; ++x) {
            const Color base = AboutBody(x, y), p = c.At(x, y);
            c.Set(x, y, Mix(base, p, 0.08f));
        }
    Line(c, {22, 100}, {459, 100}, 1, Rgb(190, 200, 214));
    Line(c, {22, 190}, {459, 190}, 1, Rgb(190, 200, 214));
    Line(c, {22, 245}, {459, 245}, 1, Rgb(190, 200, 214));
    StrokeRoundRect(c, 0.5f, 0.5f, 480.5f, 347.5f, 4, 1, Rgb(60, 80, 110));
    c.Save(folder / "Main.bmp");
}

void OkButton(const std::filesystem::path& folder, const std::string& file, State state) {
    const Color matte = AboutBody(0, 303);
    Canvas c(90, 40, matte);
    Color top = Rgb(255, 255, 255), bottom = Rgb(204, 214, 230), border = Rgb(120, 138, 168);
    if (state == State::On) bottom = Rgb(214, 240, 244), border = Teal;
    if (state == State::Down) top = Rgb(196, 208, 226), bottom = Rgb(236, 240, 246), border = Rgb(0, 150, 160);
    if (state == State::Disabled) top = Rgb(236, 238, 241), bottom = Rgb(220, 223, 228), border = Rgb(176, 180, 188);
    FillRoundRectWith(c, 1, 1, 89, 39, 8, [&](int, int y) { return Mix(top, bottom, y / 40.0f); });
    StrokeRoundRect(c, 1.5f, 1.5f, 88.5f, 38.5f, 8, state == State::On ? 2 : 1.2f, border);
    KeyOutUntouched(c, matte);
    c.Save(folder / file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kxskingen OUTDIR\n");
        return 2;
    }
    try {
        const std::filesystem::path root = std::filesystem::u8path(argv[1]);
        const std::filesystem::path main = root / "Main", about = root / "About";
        std::filesystem::create_directories(main);
        std::filesystem::create_directories(about);

        MainBackground(main);
        const struct {
            const char* File;
            const char* Name;
            const char* Role;
            Color Accent;
            int Left;
        } tools[] = {{"btnEasyCut", "SNIPWELL", "FAST CUTTER", Amber, 543},
                     {"btnBatchCut", "TRUNDLE", "BATCH CUTTER", Teal, 284},
                     {"btnAdvancedCut", "ANVILRY", "ADVANCED CUTTER", Violet, 25}};
        const std::pair<State, const char*> states[] = {
            {State::Normal, "_Normal"}, {State::On, "_On"}, {State::Down, "_Down"}, {State::Disabled, "_Disable"}};
        for (int i = 0; i < 3; ++i)
            for (int s = 0; s < 3; ++s)
                ToolTile(main, std::string(tools[i].File) + states[s].second + ".bmp", states[s].first, tools[i].Name,
                         tools[i].Role, tools[i].Accent, i, MatteAt(tools[i].Left + 116, 200));
        for (const auto& [state, suffix] : states) {
            CloseButton(main, std::string("btnClose") + suffix + ".bmp", state, 29, 20, MatteAt(780, 20));
            CloseButton(about, std::string("btnClose") + suffix + ".bmp", state, 36, 23, Rgb(22, 30, 48));
            OkButton(about, std::string("btnOK") + suffix + ".bmp", state);
        }
        for (int s = 0; s < 3; ++s) {
            const char* suffix = s == 0 ? "_Normal" : s == 1 ? "_On" : "_Down";
            LinkPicture(main, std::string("btnHomepage") + suffix + ".bmp", states[s].first, true, MatteAt(700, 70));
            LinkPicture(main, std::string("btnReg") + suffix + ".bmp", states[s].first, false, MatteAt(640, 70));
        }
        AboutBackground(about);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kxskingen: %s\n", error.what());
        return 1;
    }
    return 0;
}
