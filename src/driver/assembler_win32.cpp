#include "driver/assembler.h"

#include <windows.h>

namespace zspack {

AssemblerResult RunAssembler() {
  // "-" fills the slot of the program's own name, so ACME sees "-v9" and "MakeMe.a".
  char commandLine[] = "- -v9 MakeMe.a";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA("ACME.exe", commandLine, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                      nullptr, nullptr, &startup, &process)) {
    return {};
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  const BOOL gotCode = GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return {true, gotCode ? static_cast<int>(code) : 1};
}

}  // namespace zspack
