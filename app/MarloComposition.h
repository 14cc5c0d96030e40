// The show, built in code: every instance, time, layer and parameter of the composition.
#pragma once

class KestDemoSystem;

// Builds the composition on the demo system (after Init, before Run).
void BuildComposition(KestDemoSystem* demo);
