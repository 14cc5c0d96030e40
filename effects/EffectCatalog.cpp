#include "EffectCatalog.h"

#include "CAtmosphereEffect.h"
#include "CBassPlayer.h"
#include "CDebugEffect.h"
#include "CFollowEffect.h"
#include "CGeneratorModifiers.h"
#include "CInfoModifiers.h"
#include "CLogPlayer.h"
#include "CMeteorEffect.h"
#include "CModelEffect.h"
#include "CMotionCaptureEffect.h"
#include "CScenePlayer.h"
#include "CVectorFieldEffect.h"

void ProvideEffectCatalog() {
    RegisterScenePlayerBuilder();
    RegisterModelEffectBuilder();
    RegisterBassPlayerBuilder();
    RegisterGeneratorBuilders();
    RegisterAtmosphereEffectBuilder();
    RegisterMeteorEffectBuilder();
    RegisterDebugEffectBuilder();
    RegisterFollowEffectBuilder();
    RegisterMotionCaptureBuilder();
    RegisterVectorFieldEffectBuilder();
    RegisterInfoModifierBuilders();
    RegisterLogPlayerBuilder();
}
