// One modelled peripheral register of the host build. The firmware uses it
// like a volatile word (read, assign, |=, &=, ^=); every access goes to the
// chip model, which advances simulated time, gives the register its hardware
// behaviour and may call interrupt handlers.
#pragma once

#include <cstdint>

namespace chip::sim {

class Reg;
std::uint32_t read_register(const Reg* reg);
void write_register(Reg* reg, std::uint32_t value);

class Reg {
public:
    Reg() = default;
    Reg(const Reg&) = delete;

    operator std::uint32_t() const { return read_register(this); }
    Reg& operator=(std::uint32_t value) {
        write_register(this, value);
        return *this;
    }
    Reg& operator=(const Reg& other) { return *this = static_cast<std::uint32_t>(other); }
    Reg& operator|=(std::uint32_t bits) { return *this = static_cast<std::uint32_t>(*this) | bits; }
    Reg& operator&=(std::uint32_t bits) { return *this = static_cast<std::uint32_t>(*this) & bits; }
    Reg& operator^=(std::uint32_t bits) { return *this = static_cast<std::uint32_t>(*this) ^ bits; }
    Reg& operator+=(std::uint32_t n) { return *this = static_cast<std::uint32_t>(*this) + n; }
    Reg& operator-=(std::uint32_t n) { return *this = static_cast<std::uint32_t>(*this) - n; }

    // The stored value, for the model only: no time passes, no side effect.
    std::uint32_t raw() const { return value_; }
    void set_raw(std::uint32_t value) { value_ = value; }

private:
    std::uint32_t value_ = 0;
};

static_assert(sizeof(Reg) == 4);

}  // namespace chip::sim
