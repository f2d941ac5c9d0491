// Charts drawn with Cairo into PNG or SVG: panels stacked over one shared
// frequency or time axis, with grid, units, a legend, labelled markers and
// notes, in dark text on white.
#pragma once

#include <string>
#include <vector>

struct Colour {
    double red, green, blue;
};

struct Series {
    std::string label;  // in the legend; empty: not listed
    std::vector<double> x, y;
    Colour colour;
    bool dashed = false;
};

// A point drawn as a dot with its label beside it, and dashed guide lines to
// both axes.
struct Marker {
    double x, y;
    std::string label;
};

struct Panel {
    std::string yLabel;  // with its unit: "magnitude (dB)"
    double yMin = 0, yMax = 1;
    double yStep = 0;   // between labelled grid lines; 0 chooses one
    double weight = 1;  // share of the chart's height
    std::vector<Series> series;
    std::vector<Marker> markers;
    std::vector<std::string> notes;  // lines of text in the top left corner

    // A range with round ends and step around `low` to `high`.
    void FitY(double low, double high);
};

enum class Scale { kLinear, kLogFrequency };

struct Chart {
    std::string title;
    std::string subtitle;
    std::string xLabel;  // with its unit
    Scale xScale = Scale::kLinear;
    double xMin = 0, xMax = 1;
    std::vector<Panel> panels;  // top to bottom
};

// One number through printf's `format`, for labels.
std::string NumberText(const char* format, double value);

enum class ImageFormat { kPng, kSvg };

// From the file name's extension, ".png" or ".svg" in any case. Throws
// HostError(kUsage) for any other.
ImageFormat ImageFormatOf(const std::string& path);

// The image file's bytes, `width` × `height` pixels. Throws HostError(kOutput)
// when Cairo fails. Not for several threads at once: the font caches that
// Cairo and fontconfig would keep for the life of the process are released
// after each chart, so that a leak check finds none.
std::string RenderChart(const Chart& chart, int width, int height, ImageFormat format);
