/* highmem: runs a Windows program with every free address below 4 GB taken, so that all
 * it allocates (its heaps, malloc, VirtualAlloc, bitmaps) lies above 4 GB, as on a 64-bit
 * Windows 10 or 11 that spreads a high-entropy program over the whole address range.
 * Under Wine the heaps otherwise stay below 4 GB, where an address cut to 32 bits still
 * works. The program starts suspended, before Wine has made its heaps; the address space
 * below 4 GB is reserved in it (no access), then it runs. highmem is its debugger, so a
 * crash is reported here and ends it, instead of opening Wine's crash dialog.
 *
 *   highmem.exe [-v] PROGRAM [ARGS...]
 *     -v   say how much was reserved, to standard error
 *
 * PROGRAM's standard streams are highmem's. Exit status: PROGRAM's; the code of the
 * exception that ended it; 125 when less than 4,000 MB could be reserved or PROGRAM could
 * not be started. */

#include <stdio.h>
#include <string.h>
#include <wchar.h>
#include <windows.h>

#define GRANULE (64 * 1024)                        /* the allocation granularity */
#define FOUR_GB ((ULONGLONG)1 << 32)
#define LEAST_RESERVED ((ULONGLONG)4000 << 20)     /* Linux's own mappings keep a little */

/* The command line after its first word (this program), as Windows' own rules split it. */
static wchar_t *after_first_word(wchar_t *line)
{
   int quoted = 0;

   for (; *line && (quoted || (*line != L' ' && *line != L'\t')); line++)
      if (*line == L'"')
         quoted = !quoted;
   while (*line == L' ' || *line == L'\t')
      line++;
   return line;
}

/* Reserves every free granule-aligned range below 4 GB in `process`, halving a range the
 * system refuses down to one granule. Returns the bytes reserved; counts the ranges. */
static ULONGLONG reserve_low(HANDLE process, int *ranges)
{
   ULONGLONG at = GRANULE, reserved = 0;
   MEMORY_BASIC_INFORMATION info;

   *ranges = 0;
   while (at < FOUR_GB && VirtualQueryEx(process, (void *)(ULONG_PTR)at, &info, sizeof info)) {
      ULONGLONG end = (ULONG_PTR)info.BaseAddress + info.RegionSize;
      if (end > FOUR_GB)
         end = FOUR_GB;
      if (info.State == MEM_FREE) {
         ULONGLONG start = (at + GRANULE - 1) & ~(ULONGLONG)(GRANULE - 1);
         while (start + GRANULE <= end) {
            ULONGLONG size = (end - start) & ~(ULONGLONG)(GRANULE - 1);
            while (size >= GRANULE &&
                   !VirtualAllocEx(process, (void *)(ULONG_PTR)start, size, MEM_RESERVE, PAGE_NOACCESS))
               size = size / 2 & ~(ULONGLONG)(GRANULE - 1);
            if (size < GRANULE) {
               start += GRANULE; /* taken meanwhile, or the system's: skip a granule */
               continue;
            }
            reserved += size;
            ++*ranges;
            start += size;
         }
      }
      at = end;
   }
   return reserved;
}

/* Answers the child's debug events until it exits; returns its exit status. */
static DWORD debug_until_exit(PROCESS_INFORMATION *child)
{
   DEBUG_EVENT event;

   for (;;) {
      DWORD answer = DBG_CONTINUE;

      if (!WaitForDebugEvent(&event, INFINITE))
         return 125;
      switch (event.dwDebugEventCode) {
      case CREATE_PROCESS_DEBUG_EVENT:
         CloseHandle(event.u.CreateProcessInfo.hFile);
         break;
      case LOAD_DLL_DEBUG_EVENT:
         CloseHandle(event.u.LoadDll.hFile);
         break;
      case EXCEPTION_DEBUG_EVENT: {
         EXCEPTION_RECORD *e = &event.u.Exception.ExceptionRecord;
         if (event.u.Exception.dwFirstChance) {
            /* The loader's breakpoint is ours to pass; the rest the program's to handle. */
            if (e->ExceptionCode != EXCEPTION_BREAKPOINT)
               answer = DBG_EXCEPTION_NOT_HANDLED;
            break;
         }
         if (e->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && e->NumberParameters >= 2)
            fprintf(stderr, "highmem: exception %08lx at %p, %s %016llx\n", e->ExceptionCode,
                    e->ExceptionAddress, e->ExceptionInformation[0] ? "writing" : "reading",
                    (unsigned long long)e->ExceptionInformation[1]);
         else
            fprintf(stderr, "highmem: exception %08lx at %p\n", e->ExceptionCode, e->ExceptionAddress);
         TerminateProcess(child->hProcess, e->ExceptionCode);
         break;
      }
      case EXIT_PROCESS_DEBUG_EVENT:
         ContinueDebugEvent(event.dwProcessId, event.dwThreadId, DBG_CONTINUE);
         return event.u.ExitProcess.dwExitCode;
      }
      ContinueDebugEvent(event.dwProcessId, event.dwThreadId, answer);
   }
}

int main(void)
{
   wchar_t *command = after_first_word(GetCommandLineW());
   int verbose = wcsncmp(command, L"-v ", 3) == 0, ranges;
   STARTUPINFOW start;
   PROCESS_INFORMATION child;
   ULONGLONG reserved;
   DWORD status;

   if (verbose)
      command = after_first_word(command);
   if (!*command) {
      fprintf(stderr, "usage: highmem.exe [-v] PROGRAM [ARGS...]\n");
      return 125;
   }
   memset(&start, 0, sizeof start);
   start.cb = sizeof start;
   start.dwFlags = STARTF_USESTDHANDLES;
   start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
   start.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
   start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
   if (!CreateProcessW(NULL, command, NULL, NULL, TRUE, CREATE_SUSPENDED | DEBUG_ONLY_THIS_PROCESS,
                       NULL, NULL, &start, &child)) {
      fprintf(stderr, "highmem: cannot start %ls (error %lu)\n", command, GetLastError());
      return 125;
   }
   reserved = reserve_low(child.hProcess, &ranges);
   if (verbose)
      fprintf(stderr, "highmem: %llu MB reserved below 4 GB in %d ranges\n", reserved >> 20, ranges);
   if (reserved < LEAST_RESERVED) {
      fprintf(stderr, "highmem: only %llu MB below 4 GB could be reserved; the program would not run high\n",
              reserved >> 20);
      TerminateProcess(child.hProcess, 125);
      debug_until_exit(&child);
      return 125;
   }
   ResumeThread(child.hThread);
   status = debug_until_exit(&child);
   CloseHandle(child.hThread);
   CloseHandle(child.hProcess);
   return (int)status;
}
