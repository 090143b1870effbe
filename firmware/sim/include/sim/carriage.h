// A modelled carriage for the host build: two axes moved by step events, with
// a limit switch on each. Every compare-1 match of an axis's step timer moves
// that axis one step event in the sense its direction line gives; the axis's
// limit-switch input reads low (pressed) while the axis is at or beyond the
// switch. A match moves nothing unless the timer drives its step pin
// (compare_output_driven). The driver steps on both edges of the step pin, so
// one step event (one toggle) is one step of the carriage. Create it after chip::sim::reset(); it
// must outlive the run.
#pragma once

#include <cstdint>
#include <optional>

#include "sim/chip_model.h"

namespace chip::sim {

struct AxisWiring {
    Timer step_timer;
    Port direction_port;
    unsigned direction_pin;  // high: the axis moves towards larger positions
    Port limit_port;
    unsigned limit_pin;
    std::int64_t limit_position;  // where the switch closes
    bool limit_above;  // the switch is at the larger end (closed at >= position) or the smaller
};

class Carriage {
public:
    Carriage(const AxisWiring& x, const AxisWiring& y, std::int64_t start_x, std::int64_t start_y);

    std::int64_t x() const { return axes_[0].position; }
    std::int64_t y() const { return axes_[1].position; }
    // Holds the switch of axis 0 (X) or 1 (Y) closed (true) or open (false)
    // wherever the carriage is, as a hand or a stuck switch would; nullopt
    // gives it back to the carriage's position.
    void force_switch(int axis, std::optional<bool> closed);

private:
    struct Axis {
        AxisWiring wiring;
        std::int64_t position;
        std::optional<bool> forced;
    };
    void step(Axis& axis);
    void update_switch(const Axis& axis);

    Axis axes_[2];
};

}  // namespace chip::sim
