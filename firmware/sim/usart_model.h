// A USART: bytes queued by the scenario arrive one frame apart at their baud
// rate, with framing errors at a mismatched receiver rate and overruns when
// RXNE is still set; bytes the firmware writes are recorded.
#pragma once

#include <deque>
#include <string>
#include <string_view>

#include "device.h"

namespace chip::sim::detail {

class UsartModel : public Device {
public:
    UsartModel(USART_Registers& regs, std::uint32_t pclk, int irq)
        : r_(regs), pclk_(pclk), irq_(irq) {}
    void reset() override;
    Cycles next_event() const override;
    void fire(Cycles time) override;
    std::uint32_t read(std::uint32_t offset, Reg& reg) override;
    void write(std::uint32_t offset, Reg& reg, std::uint32_t value) override;
    void raise_lines(IrqLines& lines) const override;
    void send(std::string_view bytes, unsigned baud, Cycles now);
    std::size_t pending() const { return incoming_.size(); }
    const std::string& transmitted() const { return transmitted_; }
    std::uint64_t overruns() const { return overruns_; }
    std::uint64_t framing_errors() const { return framing_errors_; }

private:
    double receiver_baud() const;
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

}  // namespace chip::sim::detail
