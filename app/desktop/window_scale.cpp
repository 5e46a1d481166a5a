// Scale factors from the command line, the environment and the desktop's dpi.
#include "app/desktop/window_scale.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr double kMinScale = 1.0, kMaxScale = 3.0;
constexpr double kBaseDpi = 96.0;  // the dots per inch of scale 1
constexpr int kBaseSide = 300;     // pixels a side at scale 1

std::string Trim(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t\r");
    return a == std::string::npos ? "" : s.substr(a, s.find_last_not_of(" \t\r") + 1 - a);
}

double NearestQuarter(double v) { return std::round(v * 4.0) / 4.0; }

// A whole decimal number, nothing before or after it but blanks; no inf or nan, and no
// hexadecimal ("0x2"), which strtod would take.
bool ParseNumber(const std::string& text, double& v) {
    if (text.find_first_of("xX") != std::string::npos) return false;
    const char* begin = text.c_str();
    char* end = nullptr;
    v = std::strtod(begin, &end);
    if (end == begin) return false;
    while (*end == ' ' || *end == '\t') ++end;
    return *end == '\0' && std::isfinite(v);
}

}  // namespace

bool ParseScale(const std::string& text, double& scale) {
    double v = 0;
    if (!ParseNumber(text, v) || v < kMinScale || v > kMaxScale) return false;
    scale = NearestQuarter(v);
    return true;
}

double ScaleForDpi(double dpi) {
    const double s = NearestQuarter(dpi / kBaseDpi);
    return s < kMinScale ? kMinScale : s > kMaxScale ? kMaxScale : s;
}

bool FindResource(const std::string& resources, const std::string& name, std::string& value) {
    size_t start = 0;
    while (start < resources.size()) {
        size_t end = resources.find('\n', start);
        if (end == std::string::npos) end = resources.size();
        const std::string line = resources.substr(start, end - start);
        start = end + 1;
        const size_t colon = line.find(':');
        if (colon != std::string::npos && Trim(line.substr(0, colon)) == name) {
            value = Trim(line.substr(colon + 1));
            return true;
        }
    }
    return false;
}

double ChooseScale(const char* cli, const char* env, const std::string& resources,
                   std::vector<std::string>& warnings) {
    double scale = 1.0;
    if (cli) {
        if (ParseScale(cli, scale)) return scale;
        warnings.push_back(std::string("--scale ") + cli + " is not a number from 1 to 3; ignored");
    }
    if (env && *env) {
        if (ParseScale(env, scale)) return scale;
        warnings.push_back(std::string("STRIGOLO_SCALE=") + env + " is not a number from 1 to 3; ignored");
    }
    std::string dpi_text;
    if (FindResource(resources, "Xft.dpi", dpi_text)) {
        double dpi = 0;
        if (ParseNumber(dpi_text, dpi) && dpi > 0) return ScaleForDpi(dpi);
        warnings.push_back("Xft.dpi: " + dpi_text + " is not a number of dots per inch; ignored");
    }
    return 1.0;
}

int WindowSide(double scale) { return int(std::lround(kBaseSide * scale)); }
