#pragma once

#include <string>
#include <vector>

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the built program in the folder scratch, with these arguments after its name and input as
// its standard input.
Outcome RunKorvane(const std::vector<std::string>& arguments, const std::string& input,
                   const std::string& scratch);

// Runs a bash script in scratch, with standard input empty and the program's path in $K.
Outcome RunShell(const std::string& script, const std::string& scratch);
