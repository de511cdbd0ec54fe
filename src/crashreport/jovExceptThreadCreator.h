#pragma once
// Who created a thread that the runtimes started: std::thread goes through the C++ library's thread start,
// the threads library and the C runtime before it reaches CreateThread; the creator is the code that
// called the first of them.
namespace jov {

// `returnSlot` holds `returnAddress`, the return address of a CreateThread call on the calling thread's
// stack. While that address lies in one of the runtimes' thread-start routines, the routine's own caller
// is taken: the next slot above whose return address follows a call to it. Gives the address where the
// user's code called.
void* CreatorAboveThreadStarts(void* const* returnSlot, void* returnAddress);

} // namespace jov
