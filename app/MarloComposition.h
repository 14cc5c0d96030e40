// The shows, built in code: every instance, time, layer and parameter of each composition.
#pragma once

class KestDemoSystem;

// The show (after Init, before Run).
void BuildComposition(KestDemoSystem* demo);

// The showcase: every effect type for a while, to the show's music.
void BuildShowcase(KestDemoSystem* demo);
