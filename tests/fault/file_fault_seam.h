// A seam under the file layer. The linker routes the layer's system calls through it (--wrap, see
// CMakeLists.txt); while armed it logs each call and can make one chosen call misbehave, so the
// conversion meets a failing disk without any change to the product.
#pragma once

#include <string>
#include <vector>

enum class Call { Open, Stat, Fstat, Read, Peek, Write, Truncate, Lock, Close };

enum class Fault {
    Fail,       // -1 with EIO, or ENOSPC for a write or a length change
    Nothing,    // a read or write that returns 0: end of data, or a disk that takes nothing
    Short,      // a read or write that moves a third of what was asked
    Interrupt,  // -1 with EINTR before anything moved
    Rewrite,    // a read after the file's byte 0x201 became 0x08, as a build rewriting it would
};

struct Record {
    Call call;
    int file;     // index of the path in the armed list, -1 for any other
    long asked;   // bytes for a read or write, the length for a length change
    long result;  // what the call returned
};

// Logs the calls until disarmed and applies the fault to the call with that index (none if -1).
void ArmSeam(std::vector<std::string> files, long faultAt = -1, Fault fault = Fault::Fail);
// Closes what the conversion left open, as its stop would in the real program.
std::vector<Record> DisarmSeam();
