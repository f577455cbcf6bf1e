#pragma once
#include <array>
#include <cstddef>

class CScene;

// Every screen of the game by name.
enum class ESceneId
{
    Splash,
    Title,
    HowToPlay,
    Options,
    Credits,
    AudioSync,
    MusicSelect,
    Battle,
    Count
};

// The one place next scenes come from: a scene asks for the next one by its id instead of
// knowing its class, so no scene library depends on another. What a scene hands to the next
// (the song to play, the speed) travels in the shared state, as before. The game fills the
// factory once at start (AddGameScenes); tests may put their own scenes in. Main thread only.
class CSceneFactory
{
public:
    using FBuild = CScene* (*)();

    void Set(ESceneId id, FBuild build) { Builders[size_t(id)] = build; }
    // A new scene, owned by the caller; null (which ends the game) when none was set.
    CScene* Build(ESceneId id) const;

private:
    std::array<FBuild, size_t(ESceneId::Count)> Builders{};
};
