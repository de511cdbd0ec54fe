// Steps 6 and 7 of a trace: what each remaining frame shows, and the aligned text lines.
#include "crashreport/core/Demangle.h"
#include "crashreport/core/StackTrace.h"

#include <algorithm>
#include <cstdio>

namespace core {
namespace {

std::string Hex(Address value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

int HexDigits(Address value) {
    int digits = 1;
    while (value >>= 4) ++digits;
    return digits;
}

void PadRight(std::string& line, std::string_view text, std::size_t width) {
    line += text;
    line.append(width > text.size() ? width - text.size() : 0, ' ');
}

void PadLeft(std::string& line, std::string_view text, std::size_t width) {
    line.append(width > text.size() ? width - text.size() : 0, ' ');
    line += text;
}

} // namespace

void StackTracer::FillFinalOutput() {
    bool first = true;
    bool searchNext = false; // the first line's function has no code: its caller names the call
    for (int i = int(Items.size()) - 1; i >= 0; --i) {
        StackItem& item = Items[i];
        if (item.Removed) continue;
        int approved = -1;
        item.ShownAddress = 0;
        for (const StackLink& link : item.Callers.Links)
            if (link.Function >= 0 && caches_.Functions[link.Function].Approved) {
                approved = link.Function;
                item.ShownAddress = link.CallAddress;
                item.FunctionName = caches_.Functions[approved].Name;
                item.EntryPoint = caches_.Functions[approved].Info.EntryPoint;
                jov::DemangleSymbol(item.FunctionName, item.UnitName);
                break;
            }
        if (approved < 0)
            for (const StackLink& link : item.Callers.Links)
                if (link.CallAddress) {
                    item.ShownAddress = link.CallAddress;
                    break;
                }
        if (!item.ShownAddress && item.Callees.Chosen >= 0)
            item.ShownAddress = item.Callees.Links[item.Callees.Chosen].CallAddress;
        if (!item.ShownAddress) item.ShownAddress = item.ReturnAddress;

        item.ModuleName = item.Module >= 0 ? caches_.Modules[item.Module].FileName : "???";
        if (item.Module >= 0 && caches_.Modules[item.Module].Symbols) {
            const SymbolTable& symbols = *caches_.Modules[item.Module].Symbols;
            if (item.FunctionName.empty() && !item.EntryPoint) {
                const TMfPublic symbol = symbols.FindPublic(item.ShownAddress);
                if (symbol.valid) {
                    item.FunctionName = symbol.name;
                    item.EntryPoint = symbol.address;
                    std::string unit;
                    jov::DemangleSymbol(item.FunctionName, unit);
                }
            }
            if (item.UnitName.empty()) item.UnitName = symbols.FindSegment(item.ShownAddress).unit;
            item.Line = int(symbols.FindLine(item.ShownAddress));
            if (in_.Options.ShowRelativeLine && item.Line > 0 && item.EntryPoint) {
                const int entryLine = int(symbols.FindLine(item.EntryPoint));
                if (entryLine > 0) {
                    item.AbsoluteLine = item.Line;
                    item.Line -= entryLine;
                }
            }
        }

        if (first) {
            first = false;
            OutAddress = item.ShownAddress;
            if (approved >= 0 && caches_.Functions[approved].Info.CodeLen > 0)
                OutEntryPoint = caches_.Functions[approved].Info.EntryPoint;
            else if (approved >= 0)
                searchNext = true;
        } else if (searchNext) {
            searchNext = false;
            if (approved >= 0)
                for (const TFarCall& far : caches_.Functions[approved].Info.FarCalls)
                    if (far.Target == in_.Current) {
                        OutAddress = far.This;
                        OutEntryPoint = caches_.Functions[approved].Info.EntryPoint;
                        break;
                    }
        }
    }
}

std::string StackTracer::ComposeResult() const {
    const TraceOptions& options = in_.Options;
    std::vector<int> written;
    for (int i = int(Items.size()) - 1; i >= 0; --i) {
        const StackItem& item = Items[i];
        if (item.Removed) continue;
        const bool always = item.Final || (i == 0 && in_.Creator);
        if (!always) {
            if (item.FunctionName.empty()) continue;
            if (options.HideItemsWithoutLine && item.Line <= 0 && item.AbsoluteLine <= 0) continue;
            if (!written.empty() && Items[written.back()].ShownAddress == item.ShownAddress) continue;
        }
        written.push_back(i);
    }

    auto hasOffset = [&](const StackItem& item) {
        return item.EntryPoint != 0 && item.EntryPoint <= item.ShownAddress;
    };
    auto lineText = [&](const StackItem& item) {
        if (item.Line <= 0 && item.AbsoluteLine <= 0) return std::string();
        return (options.ShowRelativeLine && item.AbsoluteLine > 0 ? "+" : "") + std::to_string(item.Line);
    };
    std::size_t module = 0, unit = 0, absolute = 0, line = 0;
    int offset = 0;
    bool anyOffset = false;
    for (int i : written) {
        const StackItem& item = Items[i];
        module = std::max(module, item.ModuleName.size());
        unit = std::max(unit, item.UnitName.size());
        if (item.AbsoluteLine > 0) absolute = std::max(absolute, std::to_string(item.AbsoluteLine).size());
        line = std::max(line, lineText(item).size());
        if (hasOffset(item)) {
            anyOffset = true;
            offset = std::max(offset, HexDigits(item.ShownAddress - item.EntryPoint));
        }
    }
    const bool offsetColumn = options.ShowRelativeAddress && anyOffset;
    const bool absoluteColumn = options.ShowRelativeLine && absolute > 0;

    std::string text;
    for (int i : written) {
        const StackItem& item = Items[i];
        std::string row = Hex(item.ShownAddress, 8) + ' ';
        if (offsetColumn)
            row += '+' + Hex(hasOffset(item) ? item.ShownAddress - item.EntryPoint : 0, offset) + ' ';
        PadRight(row, item.ModuleName, module + 1);
        if (unit)
            PadRight(row, item.UnitName, unit + 1);
        else
            row += ' ';
        if (absoluteColumn) {
            PadLeft(row, item.AbsoluteLine > 0 ? std::to_string(item.AbsoluteLine) : "", absolute);
            row += ' ';
        }
        if (line) {
            PadLeft(row, lineText(item), line);
            row += ' ';
        }
        row += item.FunctionName;
        if (!text.empty()) text += "\r\n";
        text += row;
    }
    return text;
}

} // namespace core
