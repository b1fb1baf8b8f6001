#pragma once
// A small fixed sequence of pseudo-random numbers for tests that try many generated inputs:
// the same cases on every run and every machine.

#include <cstdint>

namespace tarno_test {

class XorShift {
public:
    explicit XorShift(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t operator()() {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 7;
        m_state ^= m_state << 17;
        return m_state;
    }

private:
    std::uint64_t m_state;
};

}  // namespace tarno_test
