#include "game/GameScenes.h"

#include "app/SceneFactory.h"
#include "battle/BattleScene.h"
#include "menus/AudioSyncScene.h"
#include "menus/CreditsScene.h"
#include "menus/HowToPlayScene.h"
#include "menus/OptionsScene.h"
#include "menus/SplashScene.h"
#include "menus/TitleScene.h"
#include "musicselect/MusicSelectScene.h"

namespace
{
template <class TScene> CScene* Build()
{
    return new TScene();
}
} // namespace

void AddGameScenes(CSceneFactory& factory)
{
    factory.Set(ESceneId::Splash, Build<CSplashScene>);
    factory.Set(ESceneId::Title, Build<CTitleScene>);
    factory.Set(ESceneId::HowToPlay, Build<CHowToPlayScene>);
    factory.Set(ESceneId::Options, Build<COptionsScene>);
    factory.Set(ESceneId::Credits, Build<CCreditsScene>);
    factory.Set(ESceneId::AudioSync, Build<CAudioSyncScene>);
    factory.Set(ESceneId::MusicSelect, Build<CMusicSelectScene>);
    factory.Set(ESceneId::Battle, Build<CBattleScene>);
}
