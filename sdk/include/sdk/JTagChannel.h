// The pin-level companion of the host's JTAG channel: an IUnknown-derived vtable whose
// methods sit at fixed positions (3 SetTCK, 5 SetTDI, 6 SetTMS, 8 GetTDO, 11 WritePins,
// 12 ReadPins); the positions between are this SDK's own. Levels are 0 or 1.
#pragma once

#include "automation/Interfaces.h"

// {F07D3E29-9EE8-4972-8DE0-CCC740E03959}
inline constexpr IID IID_IJTagChannelPins = {
    0xF07D3E29, 0x9EE8, 0x4972, {0x8D, 0xE0, 0xCC, 0xC7, 0x40, 0xE0, 0x39, 0x59}};

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif

struct IJTagChannelPins : IUnknown {
  virtual HRESULT SetTCK(int32_t level) = 0;   // 3
  virtual HRESULT SetTRST(int32_t level) = 0;  // 4
  virtual HRESULT SetTDI(int32_t level) = 0;   // 5
  virtual HRESULT SetTMS(int32_t level) = 0;   // 6
  virtual HRESULT GetTCK(uint8_t* level) = 0;  // 7: the level set so far
  virtual HRESULT GetTDO(uint8_t* level) = 0;  // 8: the level of the last ReadPins
  virtual HRESULT GetTDI(uint8_t* level) = 0;  // 9: the level set so far
  virtual HRESULT GetTMS(uint8_t* level) = 0;  // 10: the level set so far
  virtual HRESULT WritePins() = 0;             // 11: drives the levels set so far
  virtual HRESULT ReadPins() = 0;              // 12: samples the inputs
};

static_assert(sizeof(void*) == 8, "the vtable positions assume a 64-bit platform");

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
