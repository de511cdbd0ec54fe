/* A stand-in for the system's simple-mail library: MAPISendMail hands each call to the routine the test
   program set, and fails when it set none. Loaded in place of the real one, found by its module name. */
#include <windows.h>

typedef ULONG(WINAPI* SendMailRoutine)(ULONG_PTR session, ULONG_PTR uiParam, void* message, ULONG flags,
                                       ULONG reserved);

static SendMailRoutine answer;

__declspec(dllexport) void WINAPI SetMapiSendMail(SendMailRoutine routine) {
    answer = routine;
}

__declspec(dllexport) ULONG WINAPI
    MAPISendMail(ULONG_PTR session, ULONG_PTR uiParam, void* message, ULONG flags, ULONG reserved) {
    return answer ? answer(session, uiParam, message, flags, reserved) : 2; /* MAPI_E_FAILURE */
}
