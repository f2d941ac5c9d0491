#include "plughost/plot/Chart.h"

#include <cairo-svg.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "persist/common/AsciiCase.h"
#include "plughost/HostError.h"

namespace {

constexpr Colour kText{0.1, 0.1, 0.1};
constexpr Colour kFrame{0.35, 0.35, 0.35};
constexpr Colour kMajorGrid{0.78, 0.78, 0.78};
constexpr Colour kMinorGrid{0.91, 0.91, 0.91};
constexpr const char* kFont = "DejaVu Sans";

// 1, 2, 2.5 or 5 times a power of ten, at least `raw`.
double NiceStep(double raw) {
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double factor : {1.0, 2.0, 2.5, 5.0})
        if (raw <= factor * power * (1 + 1e-9)) return factor * power;
    return 10 * power;
}

// "20", "500", "1k", "2.5k", "20k".
std::string FrequencyText(double hertz) {
    return hertz < 1000 ? NumberText("%g", hertz) : NumberText("%gk", hertz / 1000);
}

// A value at the precision of its step: 0.25 steps give two decimals.
std::string StepText(double value, double step) {
    int decimals = 0;
    while (decimals < 6 && std::fabs(step * std::pow(10.0, decimals) -
                                     std::round(step * std::pow(10.0, decimals))) > 1e-6)
        ++decimals;
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals,
                  std::fabs(value) < step * 1e-9 ? 0.0 : value);
    // A true minus sign reads better than a hyphen.
    std::string result = text;
    if (result.starts_with('-')) result.replace(0, 1, "\u2212");
    return result;
}

struct Tick {
    double value;
    bool major;  // a labelled grid line
    std::string label;
};

std::vector<Tick> LinearTicks(double low, double high, double step) {
    std::vector<Tick> ticks;
    for (double k = std::ceil(low / step - 1e-9); k * step <= high + step * 1e-9; ++k)
        ticks.push_back({k * step, true, StepText(k * step, step)});
    return ticks;
}

// Grid lines at 1 to 9 times each power of ten, labelled at 1, 2 and 5.
std::vector<Tick> FrequencyTicks(double low, double high) {
    std::vector<Tick> ticks;
    for (double decade = std::pow(10.0, std::floor(std::log10(low))); decade <= high; decade *= 10)
        for (int m = 1; m <= 9; ++m) {
            const double value = m * decade;
            if (value < low * (1 - 1e-9) || value > high * (1 + 1e-9)) continue;
            const bool major = m == 1 || m == 2 || m == 5;
            ticks.push_back({value, major, major ? FrequencyText(value) : ""});
        }
    return ticks;
}

struct Box {
    double left, top, width, height;
    double Right() const { return left + width; }
    double Bottom() const { return top + height; }
};

// Draws with one Cairo context, in pixels scaled to the image.
class Painter {
  public:
    Painter(cairo_t* cr, double scale) : cr_(cr), scale_(scale) {}

    double Px(double pixels) const { return pixels * scale_; }

    void SetColour(const Colour& c, double alpha = 1) {
        cairo_set_source_rgba(cr_, c.red, c.green, c.blue, alpha);
    }

    void Line(double x0, double y0, double x1, double y1, const Colour& colour, double width,
              bool dashed = false) {
        SetColour(colour);
        cairo_set_line_width(cr_, Px(width));
        SetDash(dashed);
        cairo_move_to(cr_, x0, y0);
        cairo_line_to(cr_, x1, y1);
        cairo_stroke(cr_);
        SetDash(false);
    }

    void SetDash(bool dashed) {
        const double dashes[] = {Px(7), Px(4)};
        cairo_set_dash(cr_, dashes, dashed ? 2 : 0, 0);
    }

    // Text with its anchor at (x, y): xAlign 0 left, 0.5 centre, 1 right;
    // yAlign likewise from top to bottom. Returns the box it covers.
    Box Text(const std::string& text, double x, double y, double size, double xAlign, double yAlign,
             bool bold = false, bool backdrop = false, double angle = 0) {
        cairo_select_font_face(cr_, kFont, CAIRO_FONT_SLANT_NORMAL,
                               bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr_, Px(size));
        cairo_text_extents_t extents;
        cairo_text_extents(cr_, text.c_str(), &extents);
        cairo_font_extents_t font;
        cairo_font_extents(cr_, &font);
        const double height = font.ascent + font.descent;
        cairo_save(cr_);
        cairo_translate(cr_, x, y);
        cairo_rotate(cr_, angle);
        const Box box{-xAlign * extents.x_advance, -yAlign * height, extents.x_advance, height};
        if (backdrop) {
            const double pad = Px(3);
            cairo_rectangle(cr_, box.left - pad, box.top - pad, box.width + 2 * pad,
                            box.height + 2 * pad);
            cairo_set_source_rgba(cr_, 1, 1, 1, 0.88);
            cairo_fill(cr_);
        }
        SetColour(kText);
        cairo_move_to(cr_, box.left, box.top + font.ascent);
        cairo_show_text(cr_, text.c_str());
        cairo_restore(cr_);
        return {x + box.left, y + box.top, box.width, box.height};
    }

    cairo_t* Context() const { return cr_; }

  private:
    cairo_t* cr_;
    double scale_;
};

class ChartDrawing {
  public:
    ChartDrawing(const Chart& chart, Painter& painter, int width, int height)
        : chart_(chart), p_(painter), width_(width), height_(height) {}

    void Draw() {
        cairo_t* cr = p_.Context();
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        p_.Text(chart_.title, width_ / 2.0, p_.Px(14), 22, 0.5, 0, true);
        p_.Text(chart_.subtitle, width_ / 2.0, p_.Px(46), 15, 0.5, 0);

        const double left = p_.Px(96), right = width_ - p_.Px(36);
        const double top = p_.Px(86), bottom = height_ - p_.Px(66), gap = p_.Px(22);
        double weights = 0;
        for (const Panel& panel : chart_.panels) weights += panel.weight;
        const double plotHeight = bottom - top - gap * (chart_.panels.size() - 1);
        double y = top;
        for (size_t i = 0; i < chart_.panels.size(); ++i) {
            const Panel& panel = chart_.panels[i];
            const Box box{left, y, right - left, plotHeight * panel.weight / weights};
            DrawPanel(panel, box, i + 1 == chart_.panels.size());
            y = box.Bottom() + gap;
        }
        p_.Text(chart_.xLabel, (left + right) / 2, height_ - p_.Px(10), 15, 0.5, 1);
    }

  private:
    double X(double value, const Box& box) const {
        const double t = chart_.xScale == Scale::kLogFrequency
                             ? std::log(value / chart_.xMin) / std::log(chart_.xMax / chart_.xMin)
                             : (value - chart_.xMin) / (chart_.xMax - chart_.xMin);
        return box.left + t * box.width;
    }

    static double Y(double value, const Panel& panel, const Box& box) {
        return box.Bottom() - (value - panel.yMin) / (panel.yMax - panel.yMin) * box.height;
    }

    void DrawPanel(const Panel& panel, const Box& box, bool xLabels) {
        cairo_t* cr = p_.Context();
        // Grid first, minor lines under major ones.
        const std::vector<Tick> xTicks =
            chart_.xScale == Scale::kLogFrequency
                ? FrequencyTicks(chart_.xMin, chart_.xMax)
                : LinearTicks(chart_.xMin, chart_.xMax, NiceStep((chart_.xMax - chart_.xMin) / 10));
        const double yStep =
            panel.yStep > 0 ? panel.yStep : NiceStep((panel.yMax - panel.yMin) / 8);
        const std::vector<Tick> yTicks = LinearTicks(panel.yMin, panel.yMax, yStep);
        for (bool major : {false, true}) {
            for (const Tick& tick : xTicks)
                if (tick.major == major)
                    p_.Line(X(tick.value, box), box.top, X(tick.value, box), box.Bottom(),
                            major ? kMajorGrid : kMinorGrid, 1);
        }
        for (const Tick& tick : yTicks) {
            const double y = Y(tick.value, panel, box);
            p_.Line(box.left, y, box.Right(), y, kMajorGrid, 1);
            p_.Text(tick.label, box.left - p_.Px(8), y, 14, 1, 0.5);
        }
        if (xLabels)
            for (const Tick& tick : xTicks)
                if (tick.major)
                    p_.Text(tick.label, X(tick.value, box), box.Bottom() + p_.Px(6), 14, 0.5, 0);
        p_.Text(panel.yLabel, box.left - p_.Px(62), box.top + box.height / 2, 15, 0.5, 0.5, false,
                false, -M_PI / 2);

        cairo_save(cr);
        cairo_rectangle(cr, box.left, box.top, box.width, box.height);
        cairo_clip(cr);
        for (const Series& series : panel.series) DrawSeries(series, panel, box);
        for (const Marker& marker : panel.markers) DrawMarker(marker, panel, box);
        cairo_restore(cr);

        cairo_set_line_width(cr, p_.Px(1.2));
        p_.SetColour(kFrame);
        cairo_rectangle(cr, box.left, box.top, box.width, box.height);
        cairo_stroke(cr);
        DrawLegend(panel, box);
        double noteY = box.top + p_.Px(10);
        for (const std::string& note : panel.notes)
            noteY = p_.Text(note, box.left + p_.Px(12), noteY, 14, 0, 0, false, true).Bottom() +
                    p_.Px(6);
    }

    void DrawSeries(const Series& series, const Panel& panel, const Box& box) {
        cairo_t* cr = p_.Context();
        bool drawing = false;
        for (size_t i = 0; i < series.x.size(); ++i) {
            const bool usable =
                std::isfinite(series.y[i]) && (chart_.xScale == Scale::kLinear || series.x[i] > 0);
            if (!usable) {
                drawing = false;
                continue;
            }
            // Far beyond the box, a value is only its edge.
            const double y = std::clamp(Y(series.y[i], panel, box), box.top - box.height,
                                        box.Bottom() + box.height);
            if (drawing)
                cairo_line_to(cr, X(series.x[i], box), y);
            else
                cairo_move_to(cr, X(series.x[i], box), y);
            drawing = true;
        }
        p_.SetColour(series.colour);
        cairo_set_line_width(cr, p_.Px(2));
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        p_.SetDash(series.dashed);
        cairo_stroke(cr);
        p_.SetDash(false);
    }

    void DrawMarker(const Marker& marker, const Panel& panel, const Box& box) {
        cairo_t* cr = p_.Context();
        const double x = X(marker.x, box), y = Y(marker.y, panel, box);
        p_.Line(x, y, x, box.Bottom(), kText, 1, true);
        p_.Line(box.left, y, x, y, kText, 1, true);
        cairo_arc(cr, x, y, p_.Px(5), 0, 2 * M_PI);
        p_.SetColour(kText);
        cairo_fill(cr);
        // The label beside the dot, on the side with room.
        const bool leftOfDot = x > box.left + box.width * 0.7;
        p_.Text(marker.label, x + (leftOfDot ? -1 : 1) * p_.Px(10), y + p_.Px(8), 14,
                leftOfDot ? 1 : 0, 0, true, true);
    }

    void DrawLegend(const Panel& panel, const Box& box) {
        std::vector<const Series*> listed;
        for (const Series& series : panel.series)
            if (!series.label.empty()) listed.push_back(&series);
        if (listed.empty()) return;
        const double lineHeight = p_.Px(22), sample = p_.Px(28);
        double textWidth = 0;
        cairo_t* cr = p_.Context();
        cairo_select_font_face(cr, kFont, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr, p_.Px(14));
        for (const Series* series : listed) {
            cairo_text_extents_t extents;
            cairo_text_extents(cr, series->label.c_str(), &extents);
            textWidth = std::max(textWidth, extents.x_advance);
        }
        const double pad = p_.Px(8);
        const Box legend{box.Right() - p_.Px(10) - (2 * pad + sample + p_.Px(8) + textWidth),
                         box.top + p_.Px(10), 2 * pad + sample + p_.Px(8) + textWidth,
                         2 * pad + lineHeight * listed.size() - p_.Px(4)};
        cairo_rectangle(cr, legend.left, legend.top, legend.width, legend.height);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.92);
        cairo_fill_preserve(cr);
        p_.SetColour(kMajorGrid);
        cairo_set_line_width(cr, p_.Px(1));
        cairo_stroke(cr);
        double y = legend.top + pad + p_.Px(8);
        for (const Series* series : listed) {
            p_.Line(legend.left + pad, y, legend.left + pad + sample, y, series->colour, 2.5,
                    series->dashed);
            p_.Text(series->label, legend.left + pad + sample + p_.Px(8), y, 14, 0, 0.5);
            y += lineHeight;
        }
    }

    const Chart& chart_;
    Painter& p_;
    int width_, height_;
};

cairo_status_t Append(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

void Check(cairo_status_t status) {
    if (status != CAIRO_STATUS_SUCCESS)
        throw HostError(ExitCode::kOutput,
                        std::string("cannot draw the chart: ") + cairo_status_to_string(status));
}

}  // namespace

std::string NumberText(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

void Panel::FitY(double low, double high) {
    if (!(high > low)) {
        low -= 1;
        high += 1;
    }
    yStep = NiceStep((high - low) / 8);
    yMin = std::floor(low / yStep) * yStep;
    yMax = std::ceil(high / yStep) * yStep;
}

ImageFormat ImageFormatOf(const std::string& path) {
    const std::string_view extension =
        path.size() >= 4 ? std::string_view(path).substr(path.size() - 4) : "";
    if (EqualIgnoringAsciiCase(extension, ".png")) return ImageFormat::kPng;
    if (EqualIgnoringAsciiCase(extension, ".svg")) return ImageFormat::kSvg;
    throw HostError(ExitCode::kUsage, path + ": the image file name must end in .png or .svg");
}

std::string RenderChart(const Chart& chart, int width, int height, ImageFormat format) {
    std::string bytes;
    using Surface = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;
    Surface surface(format == ImageFormat::kPng
                        ? cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height)
                        : cairo_svg_surface_create_for_stream(&Append, &bytes, width, height),
                    &cairo_surface_destroy);
    Check(cairo_surface_status(surface.get()));
    if (format == ImageFormat::kSvg)
        cairo_svg_surface_set_document_unit(surface.get(), CAIRO_SVG_UNIT_PX);
    {
        std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cr(cairo_create(surface.get()),
                                                              &cairo_destroy);
        Painter painter(cr.get(), std::min(width / 1200.0, height / 700.0));
        ChartDrawing(chart, painter, width, height).Draw();
        Check(cairo_status(cr.get()));
    }
    if (format == ImageFormat::kPng)
        Check(cairo_surface_write_to_png_stream(surface.get(), &Append, &bytes));
    cairo_surface_finish(surface.get());
    Check(cairo_surface_status(surface.get()));
    surface.reset();
    cairo_debug_reset_static_data();
    FcFini();
    return bytes;
}
