#include "sim/chip_model.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cmath>
#include <deque>
#include <map>
#include <new>
#include <stdexcept>
#include <string>

#include "chip/stm32f40x.h"

namespace chip::sim {

Peripherals peripherals;

using IrqHandler = void (*)();
extern const IrqHandler host_vectors[CHIP_IRQ_COUNT];

namespace {

constexpr Cycles kAccessCycles = 2;
constexpr Cycles kDelayPassCycles = 10;  // 17 passes of a delay loop take about 1 us
constexpr Cycles kInterruptEntryCycles = 12;
constexpr Cycles kInterruptExitCycles = 10;

using IrqLines = std::bitset<CHIP_IRQ_COUNT>;

std::uint32_t off(const void* block, const Reg& reg) {
    return static_cast<std::uint32_t>(reinterpret_cast<const char*>(&reg) -
                                      reinterpret_cast<const char*>(block));
}

// --------------------------------------------------------------- devices

class Device {
public:
    virtual ~Device() = default;
    virtual void reset() {}
    virtual Cycles next_event() const { return kNever; }
    virtual void fire(Cycles /*time*/) {}
    virtual std::uint32_t read(std::uint32_t /*offset*/, Reg& reg) { return reg.raw(); }
    virtual void write(std::uint32_t /*offset*/, Reg& reg, std::uint32_t value) {
        reg.set_raw(value);
    }
    virtual void raise_lines(IrqLines& /*lines*/) const {}
    // The RCC enable bit of the peripheral's clock; none = always clocked.
    const Reg* clock_reg = nullptr;
    std::uint32_t clock_bit = 0;
};

struct Model;
Model& model();
Cycles current_time();

class RccModel : public Device {
public:
    void reset() override {
        auto& r = peripherals.rcc;
        r.CR.set_raw(RCC_CR_HSION | RCC_CR_HSIRDY | 0x80u);
        r.PLLCFGR.set_raw(0x24003010u);
        r.CSR.set_raw(0x0E000000u);
    }
    void write(std::uint32_t offset, Reg& reg, std::uint32_t value) override {
        if (offset == offsetof(RCC_Registers, CR)) {
            // Oscillators and the PLL are ready as soon as they are switched on.
            value &= ~(RCC_CR_HSIRDY | RCC_CR_HSERDY | RCC_CR_PLLRDY);
            if (value & RCC_CR_HSION) value |= RCC_CR_HSIRDY;
            if (value & RCC_CR_HSEON) value |= RCC_CR_HSERDY;
            if (value & RCC_CR_PLLON) value |= RCC_CR_PLLRDY;
        } else if (offset == offsetof(RCC_Registers, CFGR)) {
            value = (value & ~RCC_CFGR_SWS_Msk) | ((value & RCC_CFGR_SW_Msk) << 2);
        }
        reg.set_raw(value);
    }
};

class ExtiModel : public Device {
public:
    void edge(unsigned port, unsigned pin, bool rising) {
        auto& syscfg = peripherals.syscfg;
        std::uint32_t routed = (syscfg.EXTICR[pin / 4].raw() >> (4 * (pin % 4))) & 0xF;
        if (routed != port) return;
        auto& e = peripherals.exti;
        std::uint32_t trigger = rising ? e.RTSR.raw() : e.FTSR.raw();
        if (trigger & (1u << pin)) e.PR.set_raw(e.PR.raw() | (1u << pin));
    }
    void write(std::uint32_t offset, Reg& reg, std::uint32_t value) override {
        if (offset == offsetof(EXTI_Registers, PR)) {
            reg.set_raw(reg.raw() & ~value);  // a written 1 clears the pending bit
        } else if (offset == offsetof(EXTI_Registers, SWIER)) {
            auto& pr = peripherals.exti.PR;
            pr.set_raw(pr.raw() | (value & peripherals.exti.IMR.raw()));
        } else {
            reg.set_raw(value);
        }
    }
    void raise_lines(IrqLines& lines) const override {
        std::uint32_t active = peripherals.exti.PR.raw() & peripherals.exti.IMR.raw();
        for (unsigned line = 0; line < 5; ++line)
            if (active & (1u << line)) lines.set(EXTI0_IRQn + line);
        if (active & 0x03E0u) lines.set(EXTI9_5_IRQn);
        if (active & 0xFC00u) lines.set(EXTI15_10_IRQn);
    }
};

class GpioModel : public Device {
public:
    explicit GpioModel(unsigned index) : index_(index) {}
    GPIO_Registers& regs() const { return peripherals.gpio[index_]; }
    void reset() override {
        inputs_ = 0xFFFF;
        // PA13/14/15 and PB3/4 are the debug port after reset.
        if (index_ == 0) {
            regs().MODER.set_raw(0xA8000000u);
            regs().PUPDR.set_raw(0x64000000u);
            regs().OSPEEDR.set_raw(0x0C000000u);
        } else if (index_ == 1) {
            regs().MODER.set_raw(0x00000280u);
            regs().PUPDR.set_raw(0x00000100u);
            regs().OSPEEDR.set_raw(0x000000C0u);
        }
    }
    std::uint32_t read(std::uint32_t offset, Reg& reg) override {
        if (offset == offsetof(GPIO_Registers, IDR)) return idr();
        if (offset == offsetof(GPIO_Registers, BSRR)) return 0;
        return reg.raw();
    }
    void write(std::uint32_t offset, Reg& reg, std::uint32_t value) override {
        if (offset == offsetof(GPIO_Registers, IDR)) return;
        if (offset == offsetof(GPIO_Registers, ODR)) {
            set_odr(value & 0xFFFF);
        } else if (offset == offsetof(GPIO_Registers, BSRR)) {
            std::uint32_t odr = regs().ODR.raw();
            set_odr(((odr & ~(value >> 16)) | value) & 0xFFFF);
        } else {
            reg.set_raw(value);
        }
    }
    std::uint32_t idr() const {
        std::uint32_t moder = regs().MODER.raw(), odr = regs().ODR.raw(), idr = 0;
        for (unsigned pin = 0; pin < 16; ++pin) {
            bool out = ((moder >> (2 * pin)) & 3u) == GPIO_MODE_OUTPUT;
            std::uint32_t level = out ? (odr >> pin) & 1u : (inputs_ >> pin) & 1u;
            idr |= level << pin;
        }
        return idr;
    }
    void set_input(unsigned pin, bool level, ExtiModel& exti) {
        bool old = (inputs_ >> pin) & 1u;
        if (old == level) return;
        inputs_ = level ? (inputs_ | (1u << pin)) : (inputs_ & ~(1u << pin));
        exti.edge(index_, pin, level);
    }
    void set_odr(std::uint32_t value);

private:
    unsigned index_;
    std::uint32_t inputs_ = 0xFFFF;
};

class TimerModel : public Device {
public:
    TimerModel(Timer id, TIM_Registers& regs, Cycles clock_divider, int up_irq, int cc_irq)
        : id_(id), r_(regs), divider_(clock_divider), up_irq_(up_irq), cc_irq_(cc_irq) {}

    void reset() override {
        cnt_ = 0;
        psc_ = 0;
        arr_ = 0xFFFF;
        running_ = false;
        r_.ARR.set_raw(0xFFFF);
        compares_ = {};
        updates_ = 0;
    }
    Cycles next_event() const override {
        if (!running_) return kNever;
        return next_tick_ + (ticks_to_event() - 1) * tick_cycles();
    }
    void fire(Cycles) override {
        Cycles skip = ticks_to_event() - 1;
        cnt_ += static_cast<std::uint32_t>(skip);
        next_tick_ += skip * tick_cycles();
        Cycles time = next_tick_;
        if (cnt_ == top()) {
            cnt_ = 0;
            update_event(true);
        } else {
            ++cnt_;
        }
        next_tick_ = time + tick_cycles();
        for (unsigned ch = 1; ch <= 4; ++ch)
            if (cnt_ == ccr(ch)) compare_match(ch, time);
    }
    std::uint32_t read(std::uint32_t offset, Reg& reg) override {
        if (offset == offsetof(TIM_Registers, CNT)) {
            sync();
            return cnt_;
        }
        if (offset == offsetof(TIM_Registers, EGR)) return 0;
        return reg.raw();
    }
    void write(std::uint32_t offset, Reg& reg, std::uint32_t value) override {
        sync();
        switch (offset) {
            case offsetof(TIM_Registers, SR):
                reg.set_raw(reg.raw() & value);  // flags clear on a written 0
                return;
            case offsetof(TIM_Registers, EGR):
                if (value & TIM_EGR_UG) {
                    cnt_ = 0;
                    update_event(false);
                    next_tick_ = current_time() + tick_cycles();
                }
                for (unsigned ch = 1; ch <= 4; ++ch)
                    if (value & (1u << ch)) r_.SR.set_raw(r_.SR.raw() | (1u << ch));
                return;
            case offsetof(TIM_Registers, CNT):
                cnt_ = value & 0xFFFF;
                return;
            case offsetof(TIM_Registers, ARR):
                reg.set_raw(value & 0xFFFF);
                if (!(r_.CR1.raw() & TIM_CR1_ARPE)) arr_ = value & 0xFFFF;
                return;
            case offsetof(TIM_Registers, CR1): {
                bool was = running_;
                reg.set_raw(value);
                running_ = value & TIM_CR1_CEN;
                if (running_ && !was) next_tick_ = current_time() + tick_cycles();
                return;
            }
            default:
                reg.set_raw(value);
        }
    }
    void raise_lines(IrqLines& lines) const override {
        std::uint32_t active = r_.SR.raw() & r_.DIER.raw();
        if (active & TIM_SR_UIF) lines.set(up_irq_);
        if (active & 0x1Eu) lines.set(cc_irq_);
    }

    Timer id() const { return id_; }
    bool running() const { return running_; }
    std::uint64_t compares(unsigned ch) const { return ch >= 1 && ch <= 4 ? compares_[ch - 1] : 0; }
    std::uint64_t updates() const { return updates_; }

private:
    Cycles tick_cycles() const { return (psc_ + 1) * divider_; }
    std::uint32_t top() const { return cnt_ <= arr_ ? arr_ : 0xFFFFu; }
    std::uint32_t ccr(unsigned ch) const {
        const Reg* ccrs[] = {&r_.CCR1, &r_.CCR2, &r_.CCR3, &r_.CCR4};
        return ccrs[ch - 1]->raw() & 0xFFFF;
    }
    // Ticks from now to the next overflow or compare match (at least 1).
    Cycles ticks_to_event() const {
        Cycles to_overflow = Cycles{top()} - cnt_ + 1;
        Cycles best = to_overflow;
        for (unsigned ch = 1; ch <= 4; ++ch) {
            std::uint32_t v = ccr(ch);
            Cycles n = kNever;
            if (v > cnt_ && v <= top())
                n = v - cnt_;
            else if (v <= arr_)
                n = to_overflow + v;
            best = std::min(best, n);
        }
        return best;
    }
    // Counts the ticks up to now; none of them is an event.
    void sync() {
        Cycles t = current_time();
        if (!running_ || t < next_tick_) return;
        Cycles k = (t - next_tick_) / tick_cycles() + 1;
        cnt_ += static_cast<std::uint32_t>(k);
        next_tick_ += k * tick_cycles();
    }
    void update_event(bool overflow) {
        std::uint32_t cr1 = r_.CR1.raw();
        if (cr1 & TIM_CR1_UDIS) return;
        psc_ = r_.PSC.raw() & 0xFFFF;
        arr_ = r_.ARR.raw() & 0xFFFF;
        if (overflow || !(cr1 & TIM_CR1_URS)) r_.SR.set_raw(r_.SR.raw() | TIM_SR_UIF);
        if (overflow) ++updates_;
    }
    void compare_match(unsigned ch, Cycles time);

    Timer id_;
    TIM_Registers& r_;
    Cycles divider_;
    int up_irq_, cc_irq_;
    std::uint32_t cnt_ = 0, psc_ = 0, arr_ = 0xFFFF;
    bool running_ = false;
    Cycles next_tick_ = 0;
    std::array<std::uint64_t, 4> compares_{};
    std::uint64_t updates_ = 0;
};

class UsartModel : public Device {
public:
    UsartModel(USART_Registers& regs, std::uint32_t pclk, int irq)
        : r_(regs), pclk_(pclk), irq_(irq) {}
    void reset() override {
        r_.SR.set_raw(USART_SR_TXE | USART_SR_TC);
        incoming_.clear();
        tx_done_ = kNever;
        transmitted_.clear();
        overruns_ = framing_errors_ = 0;
        errors_seen_ = 0;
        rx_byte_ = 0;
    }
    Cycles next_event() const override {
        Cycles rx = incoming_.empty() ? kNever : incoming_.front().time;
        return std::min(rx, tx_done_);
    }
    void fire(Cycles time) override {
        if (tx_done_ <= time) {
            tx_done_ = kNever;
            r_.SR.set_raw(r_.SR.raw() | USART_SR_TXE | USART_SR_TC);
        }
        if (incoming_.empty() || incoming_.front().time > time) return;
        Incoming in = incoming_.front();
        incoming_.pop_front();
        std::uint32_t cr1 = r_.CR1.raw();
        if (!(cr1 & USART_CR1_UE) || !(cr1 & USART_CR1_RE)) return;
        std::uint32_t sr = r_.SR.raw();
        if (sr & USART_SR_RXNE) {
            r_.SR.set_raw(sr | USART_SR_ORE);
            ++overruns_;
            return;
        }
        double rate = receiver_baud();
        if (rate <= 0 || std::abs(rate - in.baud) > 0.03 * in.baud) {
            sr |= USART_SR_FE;
            ++framing_errors_;
            in.byte ^= 0x55;
        }
        rx_byte_ = in.byte;
        r_.SR.set_raw(sr | USART_SR_RXNE);
    }
    // Reading DR clears RXNE; ORE and FE clear only when SR was read (with
    // the flag set) before that DR read, as the reference manual's clearing
    // sequence has it. ORE stays set otherwise and keeps the interrupt
    // pending, even with RXNE clear.
    std::uint32_t read(std::uint32_t offset, Reg& reg) override {
        if (offset == offsetof(USART_Registers, SR)) {
            errors_seen_ = reg.raw() & (USART_SR_ORE | USART_SR_FE);
            return reg.raw();
        }
        if (offset != offsetof(USART_Registers, DR)) return reg.raw();
        r_.SR.set_raw(r_.SR.raw() & ~(USART_SR_RXNE | errors_seen_));
        errors_seen_ = 0;
        return rx_byte_;
    }
    void write(std::uint32_t offset, Reg& reg, std::uint32_t value) override {
        if (offset == offsetof(USART_Registers, SR)) {
            // RXNE and TC clear on a written 0; the other flags are read-only.
            std::uint32_t keep = value | ~(USART_SR_RXNE | USART_SR_TC);
            reg.set_raw(reg.raw() & keep);
        } else if (offset == offsetof(USART_Registers, DR)) {
            std::uint32_t cr1 = r_.CR1.raw();
            if (!(cr1 & USART_CR1_UE) || !(cr1 & USART_CR1_TE)) return;
            transmitted_.push_back(static_cast<char>(value & 0xFF));
            r_.SR.set_raw(r_.SR.raw() & ~(USART_SR_TXE | USART_SR_TC));
            double rate = receiver_baud();
            Cycles frame = rate > 0 ? static_cast<Cycles>(10.0 * kCyclesPerSecond / rate) : 1;
            tx_done_ = current_time() + frame;
        } else {
            reg.set_raw(value);
        }
    }
    void raise_lines(IrqLines& lines) const override {
        std::uint32_t sr = r_.SR.raw(), cr1 = r_.CR1.raw();
        bool rx = (cr1 & USART_CR1_RXNEIE) && (sr & (USART_SR_RXNE | USART_SR_ORE));
        bool tx = ((cr1 & USART_CR1_TXEIE) && (sr & USART_SR_TXE)) ||
                  ((cr1 & USART_CR1_TCIE) && (sr & USART_SR_TC));
        if (rx || tx) lines.set(irq_);
    }
    void send(std::string_view bytes, unsigned baud, Cycles now) {
        Cycles frame = static_cast<Cycles>(std::llround(10.0 * kCyclesPerSecond / baud));
        Cycles t = incoming_.empty() ? now : std::max(now, incoming_.back().time);
        for (char c : bytes) {
            t += frame;
            incoming_.push_back({t, static_cast<std::uint8_t>(c), baud});
        }
    }
    std::size_t pending() const { return incoming_.size(); }
    const std::string& transmitted() const { return transmitted_; }
    std::uint64_t overruns() const { return overruns_; }
    std::uint64_t framing_errors() const { return framing_errors_; }

private:
    double receiver_baud() const {
        std::uint32_t brr = r_.BRR.raw() & 0xFFFF;
        if (brr == 0) return 0;
        if (r_.CR1.raw() & USART_CR1_OVER8) {
            double div = (brr >> 4) + (brr & 7u) / 8.0;
            return pclk_ / (8.0 * div);
        }
        return static_cast<double>(pclk_) / brr;
    }
    struct Incoming {
        Cycles time;
        std::uint8_t byte;
        unsigned baud;
    };
    USART_Registers& r_;
    std::uint32_t pclk_;
    int irq_;
    std::deque<Incoming> incoming_;
    Cycles tx_done_ = kNever;
    std::uint8_t rx_byte_ = 0;
    std::string transmitted_;
    std::uint64_t overruns_ = 0, framing_errors_ = 0;
    std::uint32_t errors_seen_ = 0;  // error flags of the last SR read
};

class NvicModel : public Device {
public:
    static constexpr std::uint32_t kIser = offsetof(NVIC_Registers, ISER);
    static constexpr std::uint32_t kIcer = offsetof(NVIC_Registers, ICER);
    static constexpr std::uint32_t kIspr = offsetof(NVIC_Registers, ISPR);
    static constexpr std::uint32_t kIcpr = offsetof(NVIC_Registers, ICPR);
    static constexpr std::uint32_t kIabr = offsetof(NVIC_Registers, IABR);

    std::uint32_t read(std::uint32_t offset, Reg& reg) override {
        auto& n = peripherals.nvic;
        if (offset >= kIcer && offset < kIcer + 32) return n.ISER[(offset - kIcer) / 4].raw();
        if (offset >= kIcpr && offset < kIcpr + 32) return n.ISPR[(offset - kIcpr) / 4].raw();
        return reg.raw();
    }
    void write(std::uint32_t offset, Reg& reg, std::uint32_t value) override {
        auto& n = peripherals.nvic;
        if (offset < kIser + 32 || (offset >= kIspr && offset < kIspr + 32)) {
            reg.set_raw(reg.raw() | value);
        } else if (offset >= kIcer && offset < kIcer + 32) {
            Reg& iser = n.ISER[(offset - kIcer) / 4];
            iser.set_raw(iser.raw() & ~value);
        } else if (offset >= kIcpr && offset < kIcpr + 32) {
            Reg& ispr = n.ISPR[(offset - kIcpr) / 4];
            ispr.set_raw(ispr.raw() & ~value);
        } else if (offset >= kIabr && offset < kIabr + 32) {
            // read-only
        } else {
            reg.set_raw(value);
        }
    }
    static bool enabled(unsigned irq) {
        return (peripherals.nvic.ISER[irq / 32].raw() >> (irq % 32)) & 1u;
    }
    static unsigned priority(unsigned irq) {
        return (peripherals.nvic.IPR[irq / 4].raw() >> (8 * (irq % 4))) & 0xFFu;
    }
};

// --------------------------------------------------------------- the model

struct Block {
    const char* begin;
    const char* end;
    void* regs;
    Device* device;
};

struct Model {
    Cycles now = 0;
    Cycles deadline = kNever;
    Cycles next_due = 0;  // earliest time at which settle() has work
    bool stop_requested = false;
    bool in_handler = false;

    RccModel rcc;
    Device flash, syscfg, scb;
    std::array<GpioModel, 7> gpio{GpioModel{0}, GpioModel{1}, GpioModel{2}, GpioModel{3},
                                  GpioModel{4}, GpioModel{5}, GpioModel{6}};
    ExtiModel exti;
    TimerModel tim1{Timer::Tim1, peripherals.tim1, 1, TIM1_UP_TIM10_IRQn, TIM1_CC_IRQn};
    TimerModel tim4{Timer::Tim4, peripherals.tim4, 2, TIM4_IRQn, TIM4_IRQn};
    TimerModel tim8{Timer::Tim8, peripherals.tim8, 1, TIM8_UP_TIM13_IRQn, TIM8_CC_IRQn};
    UsartModel usart1{peripherals.usart1, CHIP_APB2_HZ, USART1_IRQn};
    UsartModel uart4{peripherals.uart4, CHIP_APB1_HZ, UART4_IRQn};
    NvicModel nvic;

    std::vector<Block> blocks;
    std::vector<Device*> devices;
    std::multimap<Cycles, std::function<void()>> actions;
    std::vector<PinChange> changes;
    std::vector<std::function<void(const PinChange&)>> pin_observers;
    std::vector<std::function<void(Timer, unsigned, Cycles)>> compare_observers;
    std::vector<std::function<void(const void*, std::uint32_t, std::uint32_t, Cycles)>>
        write_observers;
    std::vector<std::function<void(unsigned, Cycles)>> handler_observers;
    std::array<std::uint64_t, CHIP_IRQ_COUNT> irq_counts{};

    Model() {
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

    void reset() {
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

    const Block* find(const Reg* reg) const {
        const char* p = reinterpret_cast<const char*>(reg);
        for (const Block& b : blocks)
            if (p >= b.begin && p < b.end) return &b;
        return nullptr;
    }

    Cycles earliest_event() const {
        Cycles t = actions.empty() ? kNever : actions.begin()->first;
        for (const Device* d : devices) t = std::min(t, d->next_event());
        return t;
    }

    // Processes every event due by now, in time order, and calls the handlers
    // of the interrupts that are raised and enabled (never inside a handler).
    void settle() {
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

    bool dispatch_one() {
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

    // A handler runs to its end before the firmware stops, unless it is still
    // running a simulated second after the deadline (a handler that never ends).
    void check_stop() {
        if (in_handler && (deadline == kNever || now < deadline + kCyclesPerSecond)) return;
        if (stop_requested || now >= deadline) {
            next_due = 0;  // every later access comes back here
            throw Stopped{};
        }
    }

    void advance(Cycles cycles) {
        now += cycles;
        if (now >= next_due) {
            settle();
            check_stop();
        }
    }

    // Makes sure the next access re-examines the events.
    void touched() { next_due = 0; }
};

Model& model() {
    static Model instance;
    return instance;
}

Cycles current_time() { return model().now; }

void TimerModel::compare_match(unsigned ch, Cycles time) {
    ++compares_[ch - 1];
    r_.SR.set_raw(r_.SR.raw() | (1u << ch));
    for (auto& observer : model().compare_observers) observer(id_, ch, time);
}

void GpioModel::set_odr(std::uint32_t value) {
    Model& m = model();
    std::uint32_t old = regs().ODR.raw();
    regs().ODR.set_raw(value);
    for (unsigned pin = 0; pin < 16; ++pin) {
        if (((old ^ value) >> pin) & 1u) {
            PinChange change{m.now, static_cast<Port>(index_), static_cast<std::uint8_t>(pin),
                             static_cast<bool>((value >> pin) & 1u)};
            m.changes.push_back(change);
            for (auto& observer : m.pin_observers) observer(change);
        }
    }
}

bool clocked(const Device& d) { return !d.clock_reg || (d.clock_reg->raw() & d.clock_bit); }

TimerModel& timer(Timer t) {
    Model& m = model();
    return t == Timer::Tim1 ? m.tim1 : t == Timer::Tim4 ? m.tim4 : m.tim8;
}
UsartModel& usart(Serial s) { return s == Serial::Usart1 ? model().usart1 : model().uart4; }

}  // namespace

// --------------------------------------------------------------- registers

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

// --------------------------------------------------------------- scenario API

void reset() { model().reset(); }
Cycles now() { return model().now; }

StopReason run(int (*entry)(), Cycles duration) {
    Model& m = model();
    m.deadline = duration >= kNever - m.now ? kNever : m.now + duration;
    m.stop_requested = false;
    m.touched();
    StopReason reason = StopReason::Returned;
    try {
        entry();
    } catch (const Stopped&) {
        reason = m.stop_requested ? StopReason::Requested : StopReason::TimeUp;
    }
    m.deadline = kNever;
    m.stop_requested = false;
    m.in_handler = false;
    m.touched();
    return reason;
}

namespace {
int idle_main() {
    for (;;) chip_wait_for_interrupt();
}
}  // namespace

void run_for(Cycles duration) { run(idle_main, duration); }

void at(Cycles time, std::function<void()> action) {
    model().actions.emplace(time, std::move(action));
    model().touched();
}

void request_stop() {
    model().stop_requested = true;
    model().touched();
}

void set_input(Port port, unsigned pin, bool level) {
    Model& m = model();
    m.gpio[static_cast<unsigned>(port)].set_input(pin, level, m.exti);
    m.touched();
}

bool output(Port port, unsigned pin) {
    return (peripherals.gpio[static_cast<unsigned>(port)].ODR.raw() >> pin) & 1u;
}
const std::vector<PinChange>& pin_changes() { return model().changes; }
void on_pin_change(std::function<void(const PinChange&)> observer) {
    model().pin_observers.push_back(std::move(observer));
}

std::uint64_t compare_events(Timer t, unsigned channel) { return timer(t).compares(channel); }
std::uint64_t update_events(Timer t) { return timer(t).updates(); }
bool timer_running(Timer t) { return timer(t).running(); }
void on_compare(std::function<void(Timer, unsigned, Cycles)> observer) {
    model().compare_observers.push_back(std::move(observer));
}

namespace {
// The pins that can carry a timer's channel 1 (the alternate-function tables
// of the datasheet, for the ports the model has).
struct OutputPin {
    Timer timer;
    unsigned port, pin, af;
};
constexpr OutputPin kChannel1Pins[] = {
    {Timer::Tim1, 0, 8, 1},   // PA8
    {Timer::Tim1, 4, 9, 1},   // PE9
    {Timer::Tim8, 2, 6, 3},   // PC6
    {Timer::Tim4, 3, 12, 2},  // PD12
    {Timer::Tim4, 1, 6, 2},   // PB6
};
}  // namespace

bool compare_output_driven(Timer t, unsigned channel) {
    if (channel != 1) return false;
    const TIM_Registers& r = t == Timer::Tim1   ? peripherals.tim1
                             : t == Timer::Tim4 ? peripherals.tim4
                                                : peripherals.tim8;
    // Channel configured as output (CC1S = 00) and its output enabled (CC1E);
    // on the advanced timers the main output enable (MOE) too, else the
    // output is disabled (OSSI = 0) or held at its idle level (OSSI = 1).
    if (r.CCMR1.raw() & TIM_CCMR1_CC1S_Msk) return false;
    if (!(r.CCER.raw() & TIM_CCER_CC1E)) return false;
    if (t != Timer::Tim4 && !(r.BDTR.raw() & TIM_BDTR_MOE)) return false;
    for (const OutputPin& pin : kChannel1Pins) {
        if (pin.timer != t) continue;
        const GPIO_Registers& g = peripherals.gpio[pin.port];
        const bool alternate = ((g.MODER.raw() >> (2 * pin.pin)) & 3u) == GPIO_MODE_AF;
        const bool routed = ((g.AFR[pin.pin / 8].raw() >> (4 * (pin.pin % 8))) & 0xFu) == pin.af;
        if (alternate && routed) return true;
    }
    return false;
}

void send_serial(Serial serial, std::string_view bytes, unsigned baud) {
    usart(serial).send(bytes, baud, model().now);
    model().touched();
}
std::size_t serial_pending(Serial serial) { return usart(serial).pending(); }
const std::string& transmitted(Serial serial) { return usart(serial).transmitted(); }
std::uint64_t overruns(Serial serial) { return usart(serial).overruns(); }
std::uint64_t framing_errors(Serial serial) { return usart(serial).framing_errors(); }

void on_register_write(
    std::function<void(const void*, std::uint32_t, std::uint32_t, Cycles)> observer) {
    model().write_observers.push_back(std::move(observer));
}

void on_handler_return(std::function<void(unsigned irq, Cycles)> observer) {
    model().handler_observers.push_back(std::move(observer));
}

std::uint64_t interrupt_count(unsigned irq) {
    return irq < CHIP_IRQ_COUNT ? model().irq_counts[irq] : 0;
}

}  // namespace chip::sim
