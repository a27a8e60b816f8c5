// The x87 control word of the calling thread, put back when a scope ends.
// Some platform calls change it and leave it changed: connecting the
// platform's default video renderer (a Direct3D device underneath) sets
// 24-bit precision on the caller's thread. The program's own arithmetic is
// SSE2 and does not care, but the platform's x87 code on that thread (its
// REFTIME conversions, for one) would run at single precision from then on.
#pragma once
#include <cstdint>

#if defined(__i386__) || defined(__x86_64__)
inline uint16_t X87ControlWord() {
    uint16_t word;
    __asm__ volatile("fnstcw %0" : "=m"(word));
    return word;
}
inline void SetX87ControlWord(uint16_t word) { __asm__ volatile("fldcw %0" : : "m"(word)); }
#else
inline uint16_t X87ControlWord() { return 0; }
inline void SetX87ControlWord(uint16_t) {}
#endif

class X87ControlScope {
public:
    X87ControlScope() : saved_(X87ControlWord()) {}
    ~X87ControlScope() { SetX87ControlWord(saved_); }
    X87ControlScope(const X87ControlScope&) = delete;
    X87ControlScope& operator=(const X87ControlScope&) = delete;

private:
    uint16_t saved_;
};
