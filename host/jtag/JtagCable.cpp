// The channel's high-level operations as TCK cycle sequences, and chain discovery.
#include "jtag/JtagCable.h"

namespace morvel::host::jtag {

namespace {

constexpr size_t kMaxDevices = 64;
constexpr unsigned kLongestIr = 64;

void CheckLength(unsigned length) {
  if (length < 1 || length > 64)
    throw std::invalid_argument("a data length must be 1 to 64 bits, not " +
                                std::to_string(length));
}

void CheckState(TapState state) {
  if (state == TapState::Undefined)
    throw std::invalid_argument("UNDEFINED is not a state a TAP can be moved to");
}

std::vector<uint8_t> ValueBits(uint64_t value, unsigned length) {
  std::vector<uint8_t> bits(length);
  for (unsigned i = 0; i < length; ++i) bits[i] = static_cast<uint8_t>((value >> i) & 1);
  return bits;
}

uint64_t PackBits(const std::vector<uint8_t>& bits) {
  uint64_t v = 0;
  for (size_t i = 0; i < bits.size() && i < 64; ++i) v |= static_cast<uint64_t>(bits[i] & 1) << i;
  return v;
}

}  // namespace

void JtagCable::Run(std::span<const uint8_t> cycles, std::vector<uint8_t>* tdo) {
  if (cycles.empty()) return;
  RunCycles(cycles, tdo);
  FTck = false;
  FTms = (cycles.back() & kCycleTms) != 0;
  FTdi = (cycles.back() & kCycleTdi) != 0;
}

void JtagCable::CheckIndex(size_t index) const {
  if (FLayout.empty())
    throw std::invalid_argument(
        "the devices of this chain are not known: describe the chain or discover it first");
  if (index >= FLayout.size())
    throw std::invalid_argument("device index " + std::to_string(index) +
                                " is outside the chain of " + std::to_string(FLayout.size()) +
                                " device" + (FLayout.size() == 1 ? "" : "s"));
}

void JtagCable::AppendPath(TapState from, TapState to) {
  const TmsPath path = ShortestTmsPath(from, to);
  const uint8_t tdi = FTdi ? kCycleTdi : 0;
  for (unsigned i = 0; i < path.Length; ++i)
    FCycles.push_back(static_cast<uint8_t>(tdi | (((path.Bits >> i) & 1) != 0 ? kCycleTms : 0)));
}

void JtagCable::GotoState(TapState to) {
  CheckState(to);
  FCycles.clear();
  AppendPath(FState, to);
  Run(FCycles);
}

void JtagCable::MoveState(TapState from, TapState to) {
  CheckState(from);
  CheckState(to);
  FCycles.clear();
  AppendPath(from, to);
  Run(FCycles);
}

void JtagCable::ClockTMS(bool level) {
  const uint8_t cycle = static_cast<uint8_t>((FTdi ? kCycleTdi : 0) | (level ? kCycleTms : 0));
  Run(std::span(&cycle, 1));
}

void JtagCable::SetInstruction(uint32_t instruction, size_t index) {
  CheckIndex(index);
  FCycles.clear();
  AppendPath(FState, TapState::IrShift);
  // The first bits shifted end up in the device nearest TDO.
  for (size_t d = FLayout.size(); d-- > 0;) {
    for (unsigned j = 0; j < FLayout[d].IrLength; ++j) {
      const bool bit = d != index || (j < 32 && ((instruction >> j) & 1) != 0);
      FCycles.push_back(bit ? kCycleTdi : 0);
    }
  }
  if (!FCycles.empty()) FCycles.back() |= kCycleTms;
  AppendPath(TapState::IrExit1, TapState::Idle);
  Run(FCycles);
}

void JtagCable::AppendShift(std::span<const uint8_t> bits, size_t index, bool capture) {
  const size_t after = FLayout.size() - 1 - index;
  const size_t total = after + bits.size() + index;
  for (size_t k = 0; k < total; ++k) {
    uint8_t c = 0;
    if (k >= after && k < after + bits.size()) {
      if (bits[k - after] != 0) c |= kCycleTdi;
      if (capture) c |= kCycleCapture;
    }
    if (k + 1 == total) c |= kCycleTms;
    FCycles.push_back(c);
  }
}

std::vector<uint8_t> JtagCable::ShiftThrough(std::span<const uint8_t> bits, size_t index,
                                             bool capture, bool wholeScan) {
  CheckIndex(index);
  FCycles.clear();
  if (wholeScan) {
    // Through IDLE, so that the register captures even when the TAP stood in DRSHIFT.
    AppendPath(FState, TapState::Idle);
    AppendPath(TapState::Idle, TapState::DrShift);
  } else if (FState != TapState::DrShift) {
    AppendPath(FState, TapState::DrShift);
  }
  AppendShift(bits, index, capture);
  if (wholeScan) AppendPath(TapState::DrExit1, TapState::Idle);
  std::vector<uint8_t> tdo;
  Run(FCycles, capture ? &tdo : nullptr);
  return tdo;
}

uint64_t JtagCable::ScanData(uint64_t value, unsigned length, size_t index) {
  CheckLength(length);
  return PackBits(ShiftThrough(ValueBits(value, length), index, true, true));
}

void JtagCable::ShiftData(uint64_t value, unsigned length, size_t index) {
  CheckLength(length);
  ShiftThrough(ValueBits(value, length), index, false, false);
}

uint64_t JtagCable::ShiftDataCapture(uint64_t value, unsigned length, size_t index) {
  CheckLength(length);
  return PackBits(ShiftThrough(ValueBits(value, length), index, true, false));
}

std::string JtagCable::ShiftDataText(std::string_view text, size_t index) {
  if (text.empty()) throw std::invalid_argument("ShiftDataText needs at least one bit");
  std::vector<uint8_t> bits(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[text.size() - 1 - i];
    if (c != '0' && c != '1')
      throw std::invalid_argument("ShiftDataText takes a text of 0 and 1, not '" +
                                  std::string(text) + "'");
    bits[i] = c == '1' ? 1 : 0;
  }
  const std::vector<uint8_t> tdo = ShiftThrough(bits, index, true, false);
  std::string out(text.size(), '0');
  for (size_t i = 0; i < tdo.size(); ++i)
    if (tdo[i] != 0) out[out.size() - 1 - i] = '1';
  return out;
}

ChainLayout DiscoverChain(JtagCable& cable, const IdCodeLookup& lookup) {
  // After a reset every device has IDCODE loaded, or BYPASS when it has none: a device shifts
  // out either a 32-bit IDCODE, whose bit 0 is 1, or a single 0. The ones fed in behind them
  // read as an IDCODE of all ones, which ends the chain.
  cable.GotoState(TapState::Reset);
  cable.GotoState(TapState::DrShift);
  std::vector<uint8_t> cycles(32 * (kMaxDevices + 1), kCycleTdi | kCycleCapture);
  std::vector<uint8_t> tdo;
  cable.Run(cycles, &tdo);
  cable.GotoState(TapState::Idle);

  std::vector<std::optional<uint32_t>> ids;  // nearest TDO first
  bool ended = false;
  for (size_t pos = 0; pos < tdo.size() && ids.size() <= kMaxDevices;) {
    if (tdo[pos] == 0) {
      ids.emplace_back();
      ++pos;
      continue;
    }
    if (pos + 32 > tdo.size()) break;
    uint32_t id = 0;
    for (unsigned i = 0; i < 32; ++i) id |= static_cast<uint32_t>(tdo[pos + i] & 1) << i;
    if (id == 0xFFFFFFFFu) {
      ended = true;
      break;
    }
    ids.emplace_back(id);
    pos += 32;
  }
  if (!ended)
    throw JtagError("the chain has no end: TDO may be stuck at 0, or the chain holds more than " +
                    std::to_string(kMaxDevices) + " devices");
  if (ids.empty()) throw JtagError("no device answers on the chain (TDO reads all ones)");

  // The instruction registers capture ...01 each. Zeros pushed in behind them, then a single
  // one: that one comes out after exactly as many bits as the registers hold in all.
  const size_t count = ids.size();
  const size_t flush = kLongestIr * count;
  cable.GotoState(TapState::IrShift);
  cycles.assign(2 * flush + 1, kCycleCapture);
  cycles[flush] |= kCycleTdi;
  tdo.clear();
  cable.Run(cycles, &tdo);
  size_t total = 0;
  for (size_t k = flush; k < tdo.size(); ++k) {
    if (tdo[k] != 0) {
      total = k - flush;
      break;
    }
  }
  // Leave BYPASS (all ones) in every instruction register.
  cycles.assign(std::max<size_t>(total, 1), kCycleTdi);
  cycles.back() |= kCycleTms;
  cable.Run(cycles);
  cable.GotoState(TapState::Idle);

  const auto unclear = [&](const std::string& why) {
    return JtagError("cannot make out the instruction registers of the chain (" +
                     std::to_string(total) + " bits in all): " + why);
  };
  if (total == 0) throw unclear("no captured bits came out");
  ChainLayout layout(count);
  size_t pos = 0;
  for (size_t k = 0; k < count; ++k) {
    const std::optional<uint32_t> id = ids[k];
    const std::optional<KnownDevice> known = id && lookup ? lookup(*id) : std::nullopt;
    size_t length = 0;
    if (known && known->IrLength > 0) {
      length = known->IrLength;
    } else if (k + 1 == count) {
      length = total - std::min(pos, total);
    } else {
      size_t next = pos + 2;
      while (next < total && tdo[next] == 0) ++next;
      length = next - pos;
    }
    if (length < 2 || pos + length > total || tdo[pos] != 1 || tdo[pos + 1] != 0)
      throw unclear("device " + std::to_string(count - 1 - k) + " does not fit");
    ChainPosition& p = layout[count - 1 - k];
    p.IdCode = id;
    p.IrLength = static_cast<unsigned>(length);
    p.Name = known ? known->Name : id ? "unknown device" : "bypass-only device";
    pos += length;
  }
  if (pos != total) throw unclear("the known lengths do not add up");
  return layout;
}

}  // namespace morvel::host::jtag
