// Random bytes as code: the decoder, the text composer, the analyser and the listing must neither crash
// nor read outside the buffer, whatever the bytes are. Input: the entry's offset (u16), then the code,
// placed where the seeds' code was linked (seeds/disasm_fuzz: the crafted and the landing-pad sets).
#include "crashreport/core/DisasmText.h"
#include "crashreport/core/FunctionAnalyser.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

constexpr core::Address kBase = 0x10001000;

class FuzzEnvironment : public core::CodeEnvironment {
public:
    FuzzEnvironment(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool Read(core::Address address, void* destination, std::uint32_t length) override {
        if (address < kBase || address - kBase > size_ || length > size_ - (address - kBase)) return false;
        std::memcpy(destination, data_ + (address - kBase), length);
        return true;
    }
    bool IsCommitted(core::Address address) override { return address >= kBase && address - kBase < size_; }
    bool CodeRange(core::Address, core::Address& begin, core::Address& end) override {
        begin = kBase;
        end = kBase + static_cast<core::Address>(size_);
        return true;
    }
    std::string SystemErrorText(std::uint32_t) override { return "error"; }
    bool IsHaltTarget(const core::TInstructionInfo& ins) override { return (ins.Target & 0xFF) == 0x42; }
    bool IsFunctionEntry(core::Address address) override { return (address & 0x3F) == 0; }
    std::string NameOfAddress(core::Address address) override {
        return (address & 0x1F) == 0x10 ? "name" : std::string();
    }
    bool ModuleOf(core::Address address, core::ModuleSpan& module) override {
        module.Base = kBase;
        module.ImageSize = static_cast<std::uint32_t>(size_);
        module.FileName = "fuzz.exe";
        module.IsMainModule = (address & 1) != 0;
        return address >= kBase;
    }
    bool HasLineNumbers() override { return true; }
    int LineOf(core::Address address) override { return static_cast<int>(address & 0xFFF) / 8; }
    // One landing pad named by the last byte, so that pads inside, between and beyond areas are listed.
    bool LandingPads(core::Address code, core::TLandingPads& pads) override {
        if (!size_ || !IsCommitted(code)) return false;
        pads.Entry = {kBase, kBase + static_cast<core::Address>(size_), 0};
        pads.Pads = {kBase + static_cast<core::Address>(data_[size_ - 1] * 13u % size_)};
        return true;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t inputSize) {
    if (inputSize < 3 || inputSize > 4096 + 2) return 0;
    const std::uint8_t* data = input + 2;
    const std::size_t size = inputSize - 2;
    const core::Address entry = kBase + static_cast<core::Address>((input[0] | input[1] << 8) % size);
    FuzzEnvironment env(data, size);
    core::TRegisterState regs;
    for (std::size_t offset = 0; offset < size && offset < 64; ++offset) {
        core::TInstructionInfo info;
        const std::string text =
            core::ComposeInstructionText(env, kBase + static_cast<core::Address>(offset), &regs, info, true);
        if (info.IsValid && (info.Next <= info.This || info.Next - info.This > 15)) __builtin_trap();
    }
    core::TFunctionInfo function;
    const std::string listing = core::ParseFunction(env, entry, entry + (data[0] % 64), data[0] & 15,
                                                    (data[0] & 0x10) == 0, function);
    if (function.IsValid && function.CodeLen <= 0) __builtin_trap();
    return 0;
}
