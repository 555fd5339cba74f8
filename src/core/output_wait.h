// What a front end does when another run holds the output that this one is about to claim.
#pragma once

// Called before the run waits for the other to let the output go: says so at once, or stops.
void AnnounceOutputWait();
