// A scene loaded from a ".kd10s" file: the camera path sampled once per frame, the lights,
// the texture names and the mesh objects. LoadFile also queues the textures for loading,
// makes the materials and hands each object its own. Scenes are loaded once and then only
// read; they live as long as the effects that hold them. Main thread only.
//
// File layout (little-endian; the records of each class are read by its Load):
//   f32 reserved, i32 frames per second, i32 N, N camera records (position, rotation in
//   degrees, field of view), i32 M, M lights, i32 texture-name count, the names, i32
//   object count, the objects.
#pragma once

#include "KESceneLight.h"
#include "KESceneObject.h"
#include "KLFile.h"
#include "KLList.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class KEMaterial;
class KETexture;

// Makes the elements of a list while it is read.
class KEObjectFactory {
public:
    virtual ~KEObjectFactory() = default;
    virtual KL::Serializable* Create() = 0;
};

// The scene's objects, in file order: a list of pointers (owned by the scene) and the
// factory that makes them while reading.
class KEObjectList : public KL::Serializable {
public:
    explicit KEObjectList(KEObjectFactory* factory) : m_factory(factory) {}
    ~KEObjectList() override;

    // Count, then each element made by the factory and read in turn. A negative count or
    // one the bytes left cannot hold is refused.
    bool Load(FileReader* reader) override;
    bool Save(FileWriter* writer) override;

    void Append(KL::Serializable* object) { m_list.Append(object); }
    const KLList& GetList() const { return m_list; }
    int32_t GetCount() const { return m_list.GetCount(); }
    const std::string& GetError() const { return m_error; }

private:
    KLList m_list;
    KEObjectFactory* m_factory;
    std::string m_error;
};

class KEScene : public KL::Serializable {
public:
    KEScene();
    ~KEScene() override;
    KEScene(const KEScene&) = delete;
    KEScene& operator=(const KEScene&) = delete;

    // Reads the file, then queues one texture per name ("Files/Textures/%s", GL_RGB) at the
    // front of the engine's pending textures, makes the default material and one per
    // texture, and gives every object its material. False when the file cannot be opened
    // or is refused (GetLoadError says why, naming the file); nothing is rolled back. The
    // file's bytes are taken from the engine's data cache while the file is unchanged.
    bool LoadFile(const char* path);

    // The whole file, whatever its frame rate (the scene player checks the rate it plays).
    // Refused: any count that is negative or larger than the bytes left can hold.
    bool Load(FileReader* reader) override;
    bool Save(FileWriter* writer) override;

    float reserved = 1.0f;
    int32_t framesPerSecond = 1;

    // N, the frame count: the length of the three camera arrays (0: no camera).
    int32_t GetFrameCount() const { return static_cast<int32_t>(cameraPositions.size()); }
    std::vector<KEVector3> cameraPositions;
    std::vector<KEVector3> cameraRotations;  // degrees about x, y, z
    std::vector<float> cameraFieldsOfView;   // vertical, degrees

    std::vector<std::string> textureNames;
    std::vector<std::unique_ptr<KESceneLight>> lights;

    // Objects in file order; null when there is none. GetObject walks the list: to visit
    // every object, walk GetObjects() instead.
    KESceneObject* GetFirstObject() const;
    KESceneObject* GetObject(int32_t index) const;
    const KLList& GetObjects() const { return m_objects.GetList(); }
    int32_t GetObjectCount() const { return m_objects.GetCount(); }
    // Writers: a new object owned by the scene, appended to the list.
    KESceneObject* AddObject();

    KEMaterial* GetDefaultMaterial() const { return m_defaultMaterial.get(); }
    KEMaterial* GetTextureMaterial(int32_t index) const;
    KETexture* GetTexture(int32_t index) const;
    // The material of a material index: the default one for -1, else that texture's.
    KEMaterial* MaterialFor(int32_t materialIndex) const;

    const std::string& GetLoadError() const { return m_error; }

private:
    // Frees the textures of the last load, first taking those still queued off the engine.
    void ReleaseTextures();

    class ObjectFactory : public KEObjectFactory {
    public:
        explicit ObjectFactory(KEScene* scene) : m_scene(scene) {}
        KL::Serializable* Create() override;

    private:
        KEScene* m_scene;
    };

    ObjectFactory m_factory{this};
    KEObjectList m_objects{&m_factory};
    std::vector<KETexture*> m_textures;  // owned; queued in the engine until loaded
    std::vector<std::unique_ptr<KEMaterial>> m_textureMaterials;
    std::unique_ptr<KEMaterial> m_defaultMaterial;
    std::string m_error;
};
