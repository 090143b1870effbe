#include "sim/carriage.h"

namespace chip::sim {

Carriage::Carriage(const AxisWiring& x, const AxisWiring& y, std::int64_t start_x,
                   std::int64_t start_y)
    : axes_{{x, start_x, std::nullopt}, {y, start_y, std::nullopt}} {
    for (Axis& axis : axes_) update_switch(axis);
    on_compare([this](Timer timer, unsigned channel, Cycles) {
        if (channel != 1) return;
        for (Axis& axis : axes_)
            if (axis.wiring.step_timer == timer) step(axis);
    });
}

void Carriage::step(Axis& axis) {
    const AxisWiring& w = axis.wiring;
    if (!compare_output_driven(w.step_timer, 1)) return;  // the step pin does not toggle
    axis.position += output(w.direction_port, w.direction_pin) ? 1 : -1;
    update_switch(axis);
}

void Carriage::force_switch(int axis, std::optional<bool> closed) {
    axes_[axis].forced = closed;
    update_switch(axes_[axis]);
}

void Carriage::update_switch(const Axis& axis) {
    const AxisWiring& w = axis.wiring;
    const bool pressed = axis.forced     ? *axis.forced
                         : w.limit_above ? axis.position >= w.limit_position
                                         : axis.position <= w.limit_position;
    set_input(w.limit_port, w.limit_pin, !pressed);
}

}  // namespace chip::sim
