// The camera flight: one minute around the model at the origin, sampled at 25 frames per
// second and closed on itself so the scene player's loop never jumps. A warm key light
// drifts slowly and a cool fill light rides near the camera; a ring of small solids turns
// far outside the flight and a pulsing star circles it, landmarks for the orbit.
#include "Scenes.h"

#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>

namespace data {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int32_t kFramesPerSecond = 25;  // 40 ms a frame: a whole number of milliseconds
constexpr int32_t kLoopFrames = 1500;     // the player loops over N - 1 frames: exactly 60 s
constexpr int32_t kRecords = kLoopFrames + 1;

float Radians(double degrees) { return static_cast<float>(degrees * kPi / 180.0); }

// Phase 0..1 of a record; the last record repeats the first, so the path is closed.
double Phase(int32_t record) { return static_cast<double>(record % kLoopFrames) / kLoopFrames; }

double Wave(double cycles, double s, double offset) { return std::sin(2.0 * kPi * cycles * s + offset); }

KEMatrix4 Identity() {
    KEMatrix4 m{};
    m.m[0] = m.m[5] = m.m[10] = m.m[15] = 1.0f;
    return m;
}

// Column-major: element (row r, column c) is m[4c + r].
KEMatrix4 Multiply(const KEMatrix4& a, const KEMatrix4& b) {
    KEMatrix4 out{};
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a.m[4 * k + r] * b.m[4 * c + k];
            out.m[4 * c + r] = sum;
        }
    }
    return out;
}

KEMatrix4 RotationX(float angle) {
    KEMatrix4 m = Identity();
    const float c = std::cos(angle), s = std::sin(angle);
    m.m[5] = c;
    m.m[6] = s;
    m.m[9] = -s;
    m.m[10] = c;
    return m;
}

KEMatrix4 RotationY(float angle) {
    KEMatrix4 m = Identity();
    const float c = std::cos(angle), s = std::sin(angle);
    m.m[0] = c;
    m.m[2] = -s;
    m.m[8] = s;
    m.m[10] = c;
    return m;
}

KEMatrix4 Translation(const KEVector3& v) {
    KEMatrix4 m = Identity();
    m.m[12] = v.x;
    m.m[13] = v.y;
    m.m[14] = v.z;
    return m;
}

KEVector3 Apply(const KEMatrix4& m, const KEVector3& p) {
    return {m.m[0] * p.x + m.m[4] * p.y + m.m[8] * p.z + m.m[12],
            m.m[1] * p.x + m.m[5] * p.y + m.m[9] * p.z + m.m[13],
            m.m[2] * p.x + m.m[6] * p.y + m.m[10] * p.z + m.m[14]};
}

// A point `distance` from the origin at an azimuth about +y (0 on +z) and an elevation.
KEVector3 Orbit(double distance, double azimuth, double elevation) {
    return {static_cast<float>(distance * std::cos(elevation) * std::sin(azimuth)),
            static_cast<float>(distance * std::sin(elevation)),
            static_cast<float>(distance * std::cos(elevation) * std::cos(azimuth))};
}

// One key a record, each frame naming its own.
void FillTrack(KETransformTrack* track, KEMatrix4 (*pose)(double)) {
    track->Frames().resize(kRecords);
    track->Keys().resize(kRecords);
    for (int32_t i = 0; i < kRecords; ++i) {
        track->Frames()[static_cast<size_t>(i)] = i;
        track->Keys()[static_cast<size_t>(i)] = pose(Phase(i));
    }
}

// The flight: two turns a minute, the speed swelling a little, rising and dipping three
// times a minute, moving in and out twice. Never nearer than 118 units: the model (radius
// 25, 30 with its wobble) then fills at most about two thirds of the picture height.
struct FlightPoint {
    double azimuth, elevation, distance;
};

FlightPoint FlightAt(double s) {
    return {2.0 * kPi * 2.0 * s + 0.3 * Wave(1, s, 0.0), Radians(24.0 * Wave(3, s, 0.6) + 9.0 * Wave(1, s, 2.0)),
            140.0 + 22.0 * Wave(2, s, 1.1)};
}

// The lens breathes between 45 and 55 degrees; the roll stays within 4 degrees.
void AddCamera(KEScene* scene) {
    scene->cameraPositions.resize(kRecords);
    scene->cameraRotations.resize(kRecords);
    scene->cameraFieldsOfView.resize(kRecords);
    float yaw = 0.0f;
    for (int32_t i = 0; i < kRecords; ++i) {
        const double s = Phase(i);
        const FlightPoint at = FlightAt(s);
        const KEVector3 eye = Orbit(at.distance, at.azimuth, at.elevation);
        const float roll = static_cast<float>(4.0 * Wave(3, s, 1.7));
        const KEVector3 angles = AimAtOrigin(eye, roll, yaw);
        yaw = angles.y;
        const size_t index = static_cast<size_t>(i);
        scene->cameraPositions[index] = eye;
        scene->cameraRotations[index] = angles;
        scene->cameraFieldsOfView[index] = static_cast<float>(50.0 + 5.0 * Wave(2, s, 2.0));
    }
}

KEMatrix4 KeyLightPose(double s) {
    const double azimuth = 0.8 - 0.6 * Wave(1, s, 0.0);
    return Translation(Orbit(260.0, azimuth, Radians(35.0)));
}

KEMatrix4 FillLightPose(double s) {
    // Rides a little behind and beside the camera, lower than it, so the side in view is
    // never left black while the warm key light sweeps across the model.
    const FlightPoint at = FlightAt(s);
    return Translation(Orbit(240.0, at.azimuth - 0.9, 0.5 * at.elevation - Radians(10.0)));
}

void AddLight(KEScene* scene, float r, float g, float b, KEMatrix4 (*pose)(double)) {
    auto light = std::make_unique<KESceneLight>(kRecords);
    KETransformTrack* track = light->GetTrack();
    if (track == nullptr) throw std::runtime_error("a new light has no track");
    const float colour[3] = {r, g, b};
    for (int c = 0; c < 3; ++c) {
        light->ambient[c] = 0.1f;
        light->diffuse[c] = colour[c];
        light->specular[c] = colour[c];
    }
    light->diffuse[3] = light->specular[3] = 1.0f;
    FillTrack(track, pose);
    scene->lights.push_back(std::move(light));
}

constexpr float kRingRadius = 320.0f;  // far outside the flight (at most 162 from the origin)

KEMatrix4 RingPose(double s) {
    // One turn a minute against the camera's direction, on a gently rocking tilt.
    const float tilt = Radians(14.0 + 4.0 * Wave(1, s, 0.9));
    return Multiply(RotationX(tilt), RotationY(static_cast<float>(-2.0 * kPi * s)));
}

// Twelve flat-shaded octahedra on a circle in the xz plane, each turned its own way.
void AddRing(KEScene* scene) {
    const Mesh octahedron = MakeFlatOctahedron(11.0f);
    Mesh ring;
    for (int j = 0; j < 12; ++j) {
        const double around = 2.0 * kPi * j / 12.0;
        const KEMatrix4 turn = Multiply(RotationY(Radians(37.0 * j)), RotationX(Radians(23.0 * j + 10.0)));
        Mesh part = octahedron;
        for (KEVector3& p : part.positions) p = Apply(turn, p);
        if (CountInwardFaces(part, KEVector3{0, 0, 0}) != 0) throw std::runtime_error("ring: a solid turned inside out");
        const KEVector3 place{static_cast<float>(kRingRadius * std::sin(around)), (j % 2 == 0) ? 10.0f : -10.0f,
                              static_cast<float>(kRingRadius * std::cos(around))};
        Append(&ring, part, place);
    }
    KESceneObject* object = AddMeshObject(scene, KESceneObject::KIND_RIGID, ring, false);
    auto track = std::make_unique<KETransformTrack>(kRecords);
    FillTrack(track.get(), RingPose);
    object->SetTrack(std::move(track));
}

KEMatrix4 StarPose(double s) {
    // Once round a minute at 260 units against the camera's direction, so it passes behind
    // the model three times; bobbing, and spinning three times about its own axis.
    const double azimuth = 2.4 - 2.0 * kPi * s;
    KEVector3 place = Orbit(260.0, azimuth, 0.0);
    place.y = static_cast<float>(45.0 + 25.0 * Wave(2, s, 0.3));
    return Multiply(Multiply(Translation(place), RotationY(static_cast<float>(2.0 * kPi * 3.0 * s))),
                    RotationX(0.4f));
}

// A small sphere that grows twelve spikes and draws them back in, eight times a minute:
// one frame mesh a frame, so the player's morph interpolates each step exactly.
void AddStar(KEScene* scene) {
    const Mesh sphere = MakeGeodesicSphere(1, 13.0f);
    KESceneObject* object = AddMeshObject(scene, KESceneObject::KIND_MORPH, sphere, false);
    for (int32_t i = 1; i < kLoopFrames; ++i) {
        if (object->AddFrameMesh() == nullptr) throw std::runtime_error("star: an object refused a new frame mesh");
    }
    Mesh shape = sphere;
    for (int32_t i = 0; i < kLoopFrames; ++i) {
        const double pulse = 0.5 - 0.5 * std::cos(2.0 * kPi * 8.0 * Phase(i));
        for (size_t v = 0; v < sphere.positions.size(); ++v) {
            // The first twelve vertices are the icosahedron's corners: they become the spikes.
            const double factor = v < 12 ? 1.0 + 1.1 * pulse : 1.0 - 0.1 * pulse;
            shape.positions[v] = Scale(sphere.positions[v], static_cast<float>(factor));
        }
        if (CountInwardFaces(shape, KEVector3{0, 0, 0}) != 0) {
            throw std::runtime_error("star: frame " + std::to_string(i) + " has faces turned inward");
        }
        KEFrameMesh* frame = object->GetFrameMesh(i);
        if (frame == nullptr) throw std::runtime_error("star: frame mesh " + std::to_string(i) + " is missing");
        std::vector<KESceneVertex>& vertices = frame->Vertices();
        vertices.assign(shape.positions.size(), KESceneVertex{});
        for (size_t v = 0; v < shape.positions.size(); ++v) vertices[v].position = shape.positions[v];
    }
    object->FrameTable().resize(kRecords);
    for (int32_t i = 0; i < kLoopFrames; ++i) object->FrameTable()[static_cast<size_t>(i)] = i;
    object->FrameTable()[kLoopFrames] = 0;  // the last record is the first again

    auto track = std::make_unique<KETransformTrack>(kRecords);
    FillTrack(track.get(), StarPose);
    object->SetTrack(std::move(track));
}

}  // namespace

KEVector3 AimAtOrigin(const KEVector3& eye, float roll, float previousYaw) {
    const double length = std::sqrt(static_cast<double>(eye.x) * eye.x + static_cast<double>(eye.y) * eye.y +
                                    static_cast<double>(eye.z) * eye.z);
    if (!(length > 0.0)) throw std::runtime_error("a camera sits on the point it looks at");
    // The view is Rz(-roll) Rx(-pitch) Ry(-yaw) T(-eye) and looks down its -z, so the
    // direction d to the target needs pitch = asin(d.y) and yaw = atan2(-d.x, -d.z).
    const double dx = -eye.x / length, dy = -eye.y / length, dz = -eye.z / length;
    const double pitch = std::asin(dy < -1.0 ? -1.0 : (dy > 1.0 ? 1.0 : dy)) * 180.0 / kPi;
    double yaw = std::atan2(-dx, -dz) * 180.0 / kPi;
    // The player blends angles linearly between records: keep each yaw within half a turn
    // of the last one.
    while (yaw - previousYaw > 180.0) yaw -= 360.0;
    while (yaw - previousYaw < -180.0) yaw += 360.0;
    return {static_cast<float>(pitch), static_cast<float>(yaw), roll};
}

void BuildCameraScene(KEScene* scene) {
    scene->framesPerSecond = kFramesPerSecond;
    AddCamera(scene);
    AddLight(scene, 1.0f, 0.86f, 0.66f, KeyLightPose);
    AddLight(scene, 0.36f, 0.48f, 0.78f, FillLightPose);
    AddRing(scene);
    AddStar(scene);
}

}  // namespace data
