#pragma once
// The analyser's and the text composer's view of a fake process: the memory blocks of a vector set, its
// symbols as names, function entries and halt routines, and the first block as the module's code range.
#include "crashreport/core/CodeEnvironment.h"
#include "crashreport/core/FunctionAnalyser.h"
#include "crashreport/core/TestMemory.h"
#include "crashreport/core/UnwindTables.h"

#include <fstream>
#include <map>
#include <set>
#include <span>
#include <sstream>
#include <string>

class TestCodeEnvironment : public core::CodeEnvironment {
public:
    // zeroFill: cells outside the blocks (import cells of the compiled set) read as zeros.
    explicit TestCodeEnvironment(bool zeroFill = false) : memory_(zeroFill) {}

    bool Load(const std::string& name) {
        const std::string base = std::string(OSTREL_TEST_DATA) + "/disasm/" + name;
        if (!memory_.Load(base + ".mem")) return false;
        std::ifstream symbols(base + ".sym");
        std::string line;
        while (std::getline(symbols, line)) {
            std::istringstream fields(line);
            core::Address address = 0;
            std::string symbol;
            fields >> std::hex >> address >> symbol;
            names_.emplace(address, symbol);
            byName_[symbol] = address;
        }
        const auto& first = *memory_.Blocks().begin();
        codeBegin_ = first.first;
        codeEnd_ = first.first + static_cast<core::Address>(first.second.size());
        return !names_.empty();
    }

    core::Address Symbol(const std::string& name) const {
        auto it = byName_.find(name);
        return it == byName_.end() ? 0 : it->second;
    }
    const std::multimap<core::Address, std::string>& Names() const { return names_; }
    core::Address CodeEnd() const { return codeEnd_; }
    TestMemory& Memory() { return memory_; }

    std::set<core::Address> exported;
    std::map<core::Address, int> lines;

    bool Read(core::Address address, void* destination, std::uint32_t length) override {
        return memory_.Read(address, destination, length);
    }
    bool IsCommitted(core::Address address) override { return memory_.Contains(address); }
    bool CodeRange(core::Address, core::Address& begin, core::Address& end) override {
        begin = codeBegin_;
        end = codeEnd_;
        return true;
    }
    std::string SystemErrorText(std::uint32_t code) override { return "system text " + std::to_string(code); }
    bool IsHaltTarget(const core::TInstructionInfo& ins) override {
        if (core::IsNoReturnRoutineName(NameAt(ins.Target))) return true;
        core::Address cell = 0;
        return ins.TargetCell && memory_.Read(ins.TargetCell, &cell, 4) &&
               core::IsNoReturnRoutineName(NameAt(cell));
    }
    bool HasExportedName(core::Address address) override { return exported.count(address) != 0; }
    bool IsFunctionEntry(core::Address address) override {
        auto [from, to] = names_.equal_range(address);
        for (auto it = from; it != to; ++it)
            if (it->second.find(".cold") == std::string::npos) return true;
        return false;
    }
    std::string NameOfAddress(core::Address address) override { return NameAt(address); }
    bool ModuleOf(core::Address address, core::ModuleSpan& module) override {
        if (address < codeBegin_ - 0x1000 || address >= codeEnd_) return false;
        module.Base = codeBegin_ - 0x1000;
        module.ImageSize = codeEnd_ - module.Base + 0x1000;
        module.FileName = "test.exe";
        module.IsMainModule = true;
        return true;
    }
    bool HasLineNumbers() override { return !lines.empty(); }
    int LineOf(core::Address address) override {
        auto it = lines.upper_bound(address);
        return it == lines.begin() ? 0 : std::prev(it)->second;
    }
    // The set's unwind section is the block its ".eh_frame" name points at.
    bool LandingPads(core::Address code, core::TLandingPads& pads) override {
        const core::Address section = Symbol(".eh_frame");
        return section &&
               core::FindLandingPads(
                   BytesAt(section), section, code, [&](core::Address at) { return BytesAt(at); }, pads);
    }

private:
    std::span<const std::uint8_t> BytesAt(core::Address address) const {
        for (const auto& [begin, bytes] : memory_.Blocks())
            if (address >= begin && address - begin < bytes.size())
                return std::span<const std::uint8_t>(bytes).subspan(address - begin);
        return {};
    }

    std::string NameAt(core::Address address) const {
        auto it = names_.find(address);
        return it == names_.end() ? std::string() : it->second;
    }

    TestMemory memory_;
    std::multimap<core::Address, std::string> names_;
    std::map<std::string, core::Address> byName_;
    core::Address codeBegin_ = 0;
    core::Address codeEnd_ = 0;
};
