#pragma once

class CSceneFactory;

// Puts every screen of the game into the factory: the one place that knows all scene classes.
void AddGameScenes(CSceneFactory& factory);
