// "meteoritos": a fixed number of copies of one rock falling through a box of space, each
// tumbling at its own random spin; a rock that leaves the box comes back at a random point
// of the spawn box. The rock is the first frame mesh of the first object of a scene file;
// every rock shares that mesh and its material and is submitted with its own pose.
//
// Parameters: string 0 the scene file (used unchanged); integer 1 the number of rocks
// (read once, at load); floats 2-4 and 5-7 the box's minimum and maximum; floats 8-10 and
// 11-13 the spawn box's; floats 14-16 the velocity in units per second.
#pragma once

#include "CEffect.h"
#include "KDSBuilders.h"
#include "KEScene.h"

#include <cstdint>
#include <vector>

class KEMesh;

class CMeteorEffect : public CEffect {
public:
    // More rocks than this is taken for a mistake in the composition (each rock is one
    // render item per frame).
    static constexpr int32_t kMaxMeteors = 100000;

    struct Meteor {
        KEVector3 step;      // displacement computed in the current frame
        KEVector3 position;
        KEVector3 spin;      // degrees per millisecond about x, y, z
        KEVector3 rotation;  // degrees about x, y, z
    };

    CMeteorEffect();

    // Loads the scene and places integer 1 rocks anywhere in the box. "Error cargando
    // meteorito" and false for a file that cannot be loaded or has no first object with a
    // frame mesh; false with its own report for a count below 0 or above kMaxMeteors.
    bool Load() override;
    // Moves, turns and submits each rock, then puts those that left the box back in the
    // spawn box. Rocks beyond the number made at load are never drawn. True.
    bool Frame(uint32_t time, uint32_t localTime, int32_t delta) override;
    // The step's movement and respawns without drawing.
    bool Advance(uint32_t time, uint32_t localTime, int32_t delta) override;

    // A fresh position in the spawn box, step zero. The first placement (initial) then moves
    // the rock anywhere in the box and draws its spin; later ones keep spin and rotation.
    // Random numbers come from the framework's Random(): three, or nine when initial.
    void Respawn(Meteor* meteor, bool initial);

    int32_t GetMeteorCount() const { return static_cast<int32_t>(m_meteors.size()); }
    // The rock at `index`, or null (for tests and tools).
    Meteor* GetMeteor(int32_t index);
    // The shared rock mesh; null until a load succeeds.
    KEMesh* GetRockMesh() const { return m_rock; }

private:
    // Moves every rock by one step, submitting each where it is when `draw`.
    bool Step(int32_t delta, bool draw);

    KEScene m_scene;
    KESceneObject* m_object = nullptr;
    KEMesh* m_rock = nullptr;
    std::vector<Meteor> m_meteors;
};

class CMeteorEffectBuilder : public IEffectBuilder {
public:
    CEffect* Create() override;
    KDSParamTable GetParameters() override;
    const char* GetName() override { return "meteoritos"; }
    const char* GetDescription() override { return "This effect shows meteors!"; }
};

// Provides the meteor effect's builder to the demo system's catalog.
void RegisterMeteorEffectBuilder();
