// The main window's entry actions: picking clips, loading a playlist, editing one, and the player run.
#include "app/wmt.h"

#include "common/SharedState.h"
#include "platform/Guard.h"

void TForm1::PickButtonClick()
{
}

void TForm1::LoadButtonClick()
{
}

void TForm1::Button1Click()
{
}

void TForm1::RunPlayer()
{
}
