// The show's scene files: the model, the meteor rock and the camera flight, each filled
// into a KEScene and written through the scene classes' own Save. Builders throw
// std::runtime_error with a readable reason when something does not add up.
#pragma once

#include "Geometry.h"
#include "KEScene.h"

#include <string>

namespace data {

// "files/geometry/icosa.kd10s": a geodesic sphere 50 units across, static, no camera,
// textured with "icosa.png".
void BuildModelScene(KEScene* scene);
// "meteor.KD10S": a lumpy rock about 16 units across, static, no camera.
void BuildMeteorScene(KEScene* scene);
// "files/geometry/CameraIcosa.kd10s": a closed 60 s camera orbit around the origin at
// 25 frames per second, two moving lights, a turning ring of small solids and a pulsing star.
void BuildCameraScene(KEScene* scene);

// Camera angles in degrees for SetEyeRollFirst that look from `eye` at the origin with
// the given roll; `previousYaw` picks the yaw nearest it, so a path's yaw never jumps.
KEVector3 AimAtOrigin(const KEVector3& eye, float roll, float previousYaw);

// Adds an object of `kind` with material -1 holding `mesh` as its first frame mesh;
// texture set 0 gets spherical coordinates about the origin when uvSet0 is true.
KESceneObject* AddMeshObject(KEScene* scene, int32_t kind, const Mesh& mesh, bool uvSet0);

// Saves the scene to `path`, reads the file back with KEScene::Load and compares what came
// back with what was written. False with *error set on any failure.
bool WriteScene(KEScene* scene, const std::string& path, std::string* error);

}  // namespace data
