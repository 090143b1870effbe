// Figure streams for the plotter's tests: points, a star and random figures.
#pragma once

#include <cmath>
#include <random>
#include <string>

namespace test_figures {

// "LXtt.tYtt.t" for a point in tenths of a unit.
inline std::string point(int x_tenths, int y_tenths) {
    auto coordinate = [](int tenths) {
        return std::string{static_cast<char>('0' + tenths / 100 % 10),
                           static_cast<char>('0' + tenths / 10 % 10), '.',
                           static_cast<char>('0' + tenths % 10)};
    };
    return "LX" + coordinate(x_tenths) + "Y" + coordinate(y_tenths);
}

// `spokes` spokes at odd angles (7 degrees off the axes) from the centre
// (`centre`, `centre`) tenths, each `radius` tenths long, out and back.
inline std::string star_figure(int spokes = 24, int centre = 50, int radius = 20) {
    std::string stream;
    for (int spoke = 0; spoke < spokes; ++spoke) {
        const double angle = (7 + 360.0 / spokes * spoke) * 3.14159265358979 / 180;
        stream += point(centre, centre);
        stream += point(static_cast<int>(std::lround(centre + radius * std::cos(angle))),
                        static_cast<int>(std::lround(centre + radius * std::sin(angle))));
    }
    return stream + point(centre, centre) + "Z";
}

// `points` random points with coordinates of 0 to `most` tenths.
inline std::string random_figure(unsigned seed, int points, int most = 100) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> tenths(0, most);
    std::string stream;
    for (int n = 0; n < points; ++n) stream += point(tenths(random), tenths(random));
    return stream + "Z";
}

}  // namespace test_figures
