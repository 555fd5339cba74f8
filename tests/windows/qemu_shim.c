/* Preloaded into 32-bit Wine when the kernel cannot run 32-bit programs itself and qemu-i386
 * (Debian 12: version 7.2) runs them instead. Two of that qemu's gaps break Wine, and both are
 * closed here rather than in Wine or qemu:
 * - it takes MAP_FIXED_NOREPLACE as a mere hint and maps elsewhere, so Wine reserves the wrong
 *   areas and later cannot place the shared user data page at 0x7FFE0000;
 * - it passes -1 as the trap number of every fault, so Wine takes each page fault (a stack guard
 *   page, say) for an illegal instruction.
 * Built without system headers, since no 32-bit C library headers are installed. */

typedef unsigned int size_t;
typedef long long off64_t;

#define MAP_FIXED_NOREPLACE 0x100000
#define MAP_FAILED ((void*)-1)
#define RTLD_NEXT ((void*)-1l)
#define EEXIST 17
#define SIGSEGV 11
#define SA_SIGINFO 4
#define SEGV_MAPERR 1
#define SEGV_ACCERR 2
#define TRAP_PAGE_FAULT 14
#define TRAP_PROTECTION_FAULT 13

extern void* dlsym(void* module, const char* name);
extern int* __errno_location(void);
extern int munmap(void* address, size_t length);

typedef void* (*MmapFunction)(void*, size_t, int, int, int, off64_t);

void* mmap64(void* address, size_t length, int protection, int flags, int fd, off64_t offset) {
    static MmapFunction real;
    if (!real) {
        real = (MmapFunction)dlsym(RTLD_NEXT, "mmap64");
    }
    if (!(flags & MAP_FIXED_NOREPLACE)) {
        return real(address, length, protection, flags, fd, offset);
    }
    void* mapped = real(address, length, protection, flags & ~MAP_FIXED_NOREPLACE, fd, offset);
    if (mapped != MAP_FAILED && mapped != address) {
        munmap(mapped, length);
        *__errno_location() = EEXIST;
        return MAP_FAILED;
    }
    return mapped;
}

/* The C library's struct sigaction on i386. */
typedef void (*Handler)(int, void*, void*);
struct Action {
    Handler handler;
    unsigned mask[32];
    int flags;
    void (*restorer)(void);
};
typedef int (*SigactionFunction)(int, const struct Action*, struct Action*);

static Handler WineHandler;

static void CorrectTrap(int signal, void* info, void* context) {
    /* ucontext_t: flags, link and the three-word stack come before the registers. */
    int* registers = (int*)((char*)context + 20);
    int* trap = &registers[12];
    if (*trap == -1) {
        int code = ((int*)info)[2];
        *trap =
            code == SEGV_MAPERR || code == SEGV_ACCERR ? TRAP_PAGE_FAULT : TRAP_PROTECTION_FAULT;
    }
    WineHandler(signal, info, context);
}

int sigaction(int signal, const struct Action* action, struct Action* old) {
    static SigactionFunction real;
    if (!real) {
        real = (SigactionFunction)dlsym(RTLD_NEXT, "sigaction");
    }
    if (signal != SIGSEGV || !action || !(action->flags & SA_SIGINFO) ||
        (unsigned long)action->handler <= 1) {
        return real(signal, action, old);
    }
    Handler previous = WineHandler;
    struct Action wrapped = *action;
    WineHandler = action->handler;
    wrapped.handler = CorrectTrap;
    int result = real(signal, &wrapped, old);
    if (old && old->handler == CorrectTrap) {
        old->handler = previous;
    }
    return result;
}
