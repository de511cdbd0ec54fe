#include "crashreport/core/CrashRequest.h"
#include "crashreport/core/LittleEndian.h"

#include "crashreport/core/NumberText.h"

namespace jov {
CrashRequestBytes EncodeCrashRequest(const CrashRequest& request) {
    CrashRequestBytes bytes{};
    StoreU32(&bytes[0], request.Event);
    StoreU32(&bytes[4], request.ThreadId);
    bytes[8] = request.Frozen;
    StoreU32(&bytes[12], request.ExceptionObject);
    StoreU32(&bytes[16], request.ExceptionAddress);
    bytes[20] = request.CanContinue;
    StoreU32(&bytes[24], request.StackPointer);
    StoreU32(&bytes[28], request.FramePointer);
    StoreU32(&bytes[32], request.Shared);
    return bytes;
}

CrashRequest DecodeCrashRequest(const CrashRequestBytes& bytes) {
    CrashRequest request;
    request.Event = LoadU32(&bytes[0]);
    request.ThreadId = LoadU32(&bytes[4]);
    request.Frozen = bytes[8] != 0;
    request.ExceptionObject = LoadU32(&bytes[12]);
    request.ExceptionAddress = LoadU32(&bytes[16]);
    request.CanContinue = bytes[20] != 0;
    request.StackPointer = LoadU32(&bytes[24]);
    request.FramePointer = LoadU32(&bytes[28]);
    request.Shared = LoadU32(&bytes[32]);
    return request;
}

RestartHandoffBytes EncodeRestartHandoff(const RestartHandoff& handoff) {
    RestartHandoffBytes bytes{};
    StoreU32(&bytes[0], handoff.OldProcessId);
    StoreU32(&bytes[4], handoff.MappingHandle);
    for (size_t i = 0; i < handoff.History.size(); ++i) {
        const auto value = static_cast<uint64_t>(handoff.History[i]);
        StoreU32(&bytes[8 + 8 * i], static_cast<uint32_t>(value));
        StoreU32(&bytes[12 + 8 * i], static_cast<uint32_t>(value >> 32));
    }
    StoreU32(&bytes[88], handoff.OldProcessHandle);
    return bytes;
}

RestartHandoff DecodeRestartHandoff(const uint8_t* bytes) {
    RestartHandoff handoff;
    handoff.OldProcessId = LoadU32(bytes);
    handoff.MappingHandle = LoadU32(bytes + 4);
    for (size_t i = 0; i < handoff.History.size(); ++i)
        handoff.History[i] = static_cast<int64_t>(LoadU32(bytes + 8 + 8 * i) |
                                                  static_cast<uint64_t>(LoadU32(bytes + 12 + 8 * i)) << 32);
    handoff.OldProcessHandle = LoadU32(bytes + 88);
    return handoff;
}

std::string CrashObjectName(const char* prefix, uint32_t id) {
    return std::string(prefix) + FormatHex(id);
}

} // namespace jov
