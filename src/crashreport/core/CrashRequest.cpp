#include "crashreport/core/CrashRequest.h"

#include "crashreport/core/NumberText.h"

namespace jov {
namespace {

void Put32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}
uint32_t Get32(const uint8_t* at) {
    return at[0] | at[1] << 8 | at[2] << 16 | static_cast<uint32_t>(at[3]) << 24;
}

} // namespace

CrashRequestBytes EncodeCrashRequest(const CrashRequest& request) {
    CrashRequestBytes bytes{};
    Put32(&bytes[0], request.Event);
    Put32(&bytes[4], request.ThreadId);
    bytes[8] = request.Frozen;
    Put32(&bytes[12], request.ExceptionObject);
    Put32(&bytes[16], request.ExceptionAddress);
    bytes[20] = request.CanContinue;
    Put32(&bytes[24], request.StackPointer);
    Put32(&bytes[28], request.FramePointer);
    Put32(&bytes[32], request.ReportResult);
    return bytes;
}

CrashRequest DecodeCrashRequest(const CrashRequestBytes& bytes) {
    CrashRequest request;
    request.Event = Get32(&bytes[0]);
    request.ThreadId = Get32(&bytes[4]);
    request.Frozen = bytes[8] != 0;
    request.ExceptionObject = Get32(&bytes[12]);
    request.ExceptionAddress = Get32(&bytes[16]);
    request.CanContinue = bytes[20] != 0;
    request.StackPointer = Get32(&bytes[24]);
    request.FramePointer = Get32(&bytes[28]);
    request.ReportResult = Get32(&bytes[32]);
    return request;
}

RestartHandoffBytes EncodeRestartHandoff(const RestartHandoff& handoff) {
    RestartHandoffBytes bytes{};
    Put32(&bytes[0], handoff.OldProcessId);
    Put32(&bytes[4], handoff.MappingHandle);
    for (size_t i = 0; i < handoff.History.size(); ++i) {
        const auto value = static_cast<uint64_t>(handoff.History[i]);
        Put32(&bytes[8 + 8 * i], static_cast<uint32_t>(value));
        Put32(&bytes[12 + 8 * i], static_cast<uint32_t>(value >> 32));
    }
    return bytes;
}

RestartHandoff DecodeRestartHandoff(const uint8_t* bytes) {
    RestartHandoff handoff;
    handoff.OldProcessId = Get32(bytes);
    handoff.MappingHandle = Get32(bytes + 4);
    for (size_t i = 0; i < handoff.History.size(); ++i)
        handoff.History[i] = static_cast<int64_t>(Get32(bytes + 8 + 8 * i) |
                                                  static_cast<uint64_t>(Get32(bytes + 12 + 8 * i)) << 32);
    return handoff;
}

std::string CrashObjectName(const char* prefix, uint32_t id) {
    return std::string(prefix) + FormatHex(id);
}

} // namespace jov
