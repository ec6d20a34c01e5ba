// Size and time texts; see OptionText.h.
#include "demo/OptionText.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace Vantrel {

namespace {

bool parseSide(const std::string& text, int& side)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    side = std::atoi(text.c_str());
    return side > 0 && side <= kMaxSide;
}

} // namespace

bool parseSize(const std::string& text, int& width, int& height)
{
    std::size_t x = text.find('x');
    return x != std::string::npos && parseSide(text.substr(0, x), width) && parseSide(text.substr(x + 1), height);
}

bool parsePlayTime(const std::string& text, PlayTime& out)
{
    std::string number = text;
    bool beats = !number.empty() && number.back() == 'b';
    if (beats)
        number.pop_back();
    if (number.empty() || number.size() > 12 || number.find_first_not_of("0123456789.") != std::string::npos)
        return false;
    char* end = nullptr;
    double value = std::strtod(number.c_str(), &end);
    if (*end != '\0' || !std::isfinite(value))
        return false;
    out = PlayTime{true, beats, value};
    return true;
}

float PlayTime::seconds(float tempo) const
{
    // The product in double precision, the quotient rounded to float, as for
    // the timeline's whole beats; a huge count stays huge instead of wrapping.
    return inBeats ? static_cast<float>(value * 60.0 / tempo) : static_cast<float>(value);
}

std::string spanProblem(double from, double to, double end)
{
    char text[160] = "";
    if (!(from < end))
        std::snprintf(text, sizeof text, "--from: %.3f s is not before the end of the production (%.3f s)", from, end);
    else if (to > end)
        std::snprintf(text, sizeof text, "--to: %.3f s is past the end of the production (%.3f s)", to, end);
    else if (!(from < to))
        std::snprintf(text, sizeof text, "--to: %.3f s is not after --from (%.3f s)", to, from);
    return text;
}

} // namespace Vantrel
