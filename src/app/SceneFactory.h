#pragma once
#include <array>
#include <cstddef>
#include <functional>
#include <utility>

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
// knowing its class, so no scene library depends on another (what two of them share lies
// below both: the songs of the list in korvane_songs, the lane painter in korvane_battle_lane).
// What a scene hands to the next (the song to play, the speed) travels in the shared state, as
// before. The game fills the factory once at start (AddGameScenes); tests may put their own scenes
// in, or wrap the game's to see which ones were asked for. Main thread only.
class CSceneFactory
{
public:
    using FBuild = std::function<CScene*()>;

    void Set(ESceneId id, FBuild build) { Builders[size_t(id)] = std::move(build); }
    const FBuild& Get(ESceneId id) const { return Builders[size_t(id)]; }
    // A new scene, owned by the caller; null (which ends the game) when none was set.
    CScene* Build(ESceneId id) const;

private:
    std::array<FBuild, size_t(ESceneId::Count)> Builders{};
};
