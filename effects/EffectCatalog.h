// Every effect and modifier type of the toolbox, provided to the demo system's catalog at
// once (registered, with their traces, when the demo system starts).
#pragma once

void ProvideEffectCatalog();
