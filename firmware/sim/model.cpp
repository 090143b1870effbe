// The scheduler of the modelled chip and the register accesses of the
// firmware (sim/reg.h) and its delay and idle loops that drive it.
#include "model.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <string>

namespace chip::sim {

Peripherals peripherals;

using IrqHandler = void (*)();
extern const IrqHandler host_vectors[CHIP_IRQ_COUNT];

namespace {

constexpr Cycles kAccessCycles = 2;
constexpr Cycles kDelayPassCycles = 10;  // 17 passes of a delay loop take about 1 us
constexpr Cycles kInterruptEntryCycles = 12;
constexpr Cycles kInterruptExitCycles = 10;

std::uint32_t off(const void* block, const Reg& reg) {
    return static_cast<std::uint32_t>(reinterpret_cast<const char*>(&reg) -
                                      reinterpret_cast<const char*>(block));
}

bool clocked(const detail::Device& d) { return !d.clock_reg || (d.clock_reg->raw() & d.clock_bit); }

}  // namespace

namespace detail {

Model::Model() {
    auto& p = peripherals;
    auto add = [this](auto& regs, Device& d, const Reg* clock_reg, std::uint32_t bit) {
        const char* b = reinterpret_cast<const char*>(&regs);
        blocks.push_back({b, b + sizeof(regs), &regs, &d});
        d.clock_reg = clock_reg;
        d.clock_bit = bit;
        devices.push_back(&d);
    };
    add(p.rcc, rcc, nullptr, 0);
    add(p.flash, flash, nullptr, 0);
    for (unsigned i = 0; i < gpio.size(); ++i) add(p.gpio[i], gpio[i], &p.rcc.AHB1ENR, 1u << i);
    add(p.syscfg, syscfg, &p.rcc.APB2ENR, RCC_APB2ENR_SYSCFGEN);
    add(p.exti, exti, nullptr, 0);
    add(p.tim1, tim1, &p.rcc.APB2ENR, RCC_APB2ENR_TIM1EN);
    add(p.tim4, tim4, &p.rcc.APB1ENR, RCC_APB1ENR_TIM4EN);
    add(p.tim8, tim8, &p.rcc.APB2ENR, RCC_APB2ENR_TIM8EN);
    add(p.usart1, usart1, &p.rcc.APB2ENR, RCC_APB2ENR_USART1EN);
    add(p.uart4, uart4, &p.rcc.APB1ENR, RCC_APB1ENR_UART4EN);
    add(p.nvic, nvic, nullptr, 0);
    add(p.scb, scb, nullptr, 0);
    reset();
}

void Model::reset() {
    peripherals.~Peripherals();
    new (&peripherals) Peripherals();
    for (Device* d : devices) d->reset();
    now = 0;
    deadline = kNever;
    stop_requested = false;
    in_handler = false;
    actions.clear();
    changes.clear();
    pin_observers.clear();
    compare_observers.clear();
    write_observers.clear();
    handler_observers.clear();
    irq_counts = {};
    next_due = 0;
}

const Block* Model::find(const Reg* reg) const {
    const char* p = reinterpret_cast<const char*>(reg);
    for (const Block& b : blocks)
        if (p >= b.begin && p < b.end) return &b;
    return nullptr;
}

Cycles Model::earliest_event() const {
    Cycles t = actions.empty() ? kNever : actions.begin()->first;
    for (const Device* d : devices) t = std::min(t, d->next_event());
    return t;
}

void Model::settle() {
    for (;;) {
        for (;;) {
            Cycles t = actions.empty() ? kNever : actions.begin()->first;
            Device* due = nullptr;
            for (Device* d : devices) {
                Cycles e = d->next_event();
                if (e < t) t = e, due = d;
            }
            if (t > now) break;
            if (due) {
                due->fire(t);
            } else {
                auto action = std::move(actions.begin()->second);
                actions.erase(actions.begin());
                action();
            }
        }
        if (in_handler || !dispatch_one()) break;
    }
    next_due = std::min(earliest_event(), deadline);
    if (stop_requested) next_due = 0;
}

bool Model::dispatch_one() {
    IrqLines lines;
    for (const Device* d : devices) d->raise_lines(lines);
    int best = -1;
    for (unsigned irq = 0; irq < CHIP_IRQ_COUNT; ++irq) {
        bool soft = (peripherals.nvic.ISPR[irq / 32].raw() >> (irq % 32)) & 1u;
        if (!(lines.test(irq) || soft) || !NvicModel::enabled(irq)) continue;
        if (best < 0 || NvicModel::priority(irq) < NvicModel::priority(best)) best = irq;
    }
    if (best < 0) return false;
    Reg& ispr = peripherals.nvic.ISPR[best / 32];
    ispr.set_raw(ispr.raw() & ~(1u << (best % 32)));
    IrqHandler handler = host_vectors[best];
    if (!handler)
        throw std::logic_error("interrupt " + std::to_string(best) +
                               " is enabled but the image has no handler for it");
    struct InHandler {
        Model& m;
        explicit InHandler(Model& model) : m(model) { m.in_handler = true; }
        ~InHandler() { m.in_handler = false; }
    } guard(*this);
    ++irq_counts[best];
    now += kInterruptEntryCycles;
    handler();
    now += kInterruptExitCycles;
    for (auto& observer : handler_observers) observer(static_cast<unsigned>(best), now);
    return true;
}

void Model::check_stop() {
    if (in_handler && (deadline == kNever || now < deadline + kCyclesPerSecond)) return;
    if (stop_requested || now >= deadline) {
        next_due = 0;  // every later access comes back here
        throw Stopped{};
    }
}

void Model::advance(Cycles cycles) {
    now += cycles;
    if (now >= next_due) {
        settle();
        check_stop();
    }
}

Model& model() {
    static Model instance;
    return instance;
}

Cycles current_time() { return model().now; }

}  // namespace detail

// --------------------------------------------------------------- registers

using detail::Block;
using detail::Model;
using detail::model;

std::uint32_t read_register(const Reg* reg) {
    Model& m = model();
    m.advance(kAccessCycles);
    const Block* block = m.find(reg);
    if (!block) return reg->raw();
    if (!clocked(*block->device)) return 0;
    Reg& r = const_cast<Reg&>(*reg);
    return block->device->read(off(block->regs, r), r);
}

void write_register(Reg* reg, std::uint32_t value) {
    Model& m = model();
    m.advance(kAccessCycles);
    const Block* block = m.find(reg);
    if (!block) {
        reg->set_raw(value);
        return;
    }
    if (!clocked(*block->device)) return;  // an unclocked peripheral ignores writes
    const std::uint32_t offset = off(block->regs, *reg);
    block->device->write(offset, *reg, value);
    for (auto& observer : m.write_observers) observer(block->regs, offset, value, m.now);
    m.settle();
    m.check_stop();
}

void delay_pass() { model().advance(kDelayPassCycles); }

void wait_for_interrupt() {
    Model& m = model();
    Cycles t = std::min(m.earliest_event(), m.deadline);
    if (t == kNever) throw std::logic_error("the firmware sleeps and nothing will wake it");
    m.now = std::max(m.now + 1, t);
    m.settle();
    m.check_stop();
}

}  // namespace chip::sim
