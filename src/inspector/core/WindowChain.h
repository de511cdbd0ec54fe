#pragma once
#include <cstdint>
#include <string>
#include <vector>
#include "core/CodeCreator.h"

namespace core {

// What the code generator needs to know about windows. The program asks the system; tests give a fake
// ancestry. A window that has disappeared has no parent, no children and empty texts.
class TWindowSource {
public:
    virtual ~TWindowSource() = default;
    virtual std::uint32_t Desktop() const = 0;
    // The parent as GetAncestor with GA_PARENT gives it; 0 for none.
    virtual std::uint32_t Parent(std::uint32_t wnd) const = 0;
    // The direct children, in enumeration order.
    virtual std::vector<std::uint32_t> Children(std::uint32_t wnd) const = 0;
    // The window's class name (as the window information shows it), text and control ID; TextRead false
    // with the placeholder as text when the window did not answer.
    virtual TWndCodeNode Read(std::uint32_t wnd) const = 0;
};

// A chain of this many windows or more below the desktop is refused.
constexpr std::size_t maxChainLength = 250;

// The windows from the top-level ancestor down to `wnd` (the desktop alone for the desktop). Empty when
// `wnd` lies too deep or its parents never reach the desktop (a window that disappeared, no window).
std::vector<std::uint32_t> WindowChain(const TWindowSource& source, std::uint32_t wnd);

// What the user is told when no chain can be built.
std::string ChainErrorText(std::uint32_t wnd);

// A window's record as the generator starts it: class name without the desktop's suffix, the control ID
// only below a top-level window, the class name in use and the text too when there is one.
TWndCodeNode FillCodeNode(const TWindowSource& source, std::uint32_t wnd);

struct TCodeTreeRow {
    TWndCodeNode Node;
    int Level = 0; // 0 for the top-level window
};

// The rows of the generator's tree, top to bottom: the top-level window, then per level the siblings of
// the chain's window (not on the path, in enumeration order) followed by the chain's window.
std::vector<TCodeTreeRow> BuildCodeTree(const TWindowSource& source, const std::vector<std::uint32_t>& chain);

// The records on the path, top to bottom, as GenerateCode takes them.
std::vector<TWndCodeNode> PathNodes(const std::vector<TCodeTreeRow>& rows);

} // namespace core
