#include "DSPlayer.h"

int CDSPlayer::PlayMovie(CString, int)
{
    return 0;
}

void CDSPlayer::Play(int)
{
}

void CDSPlayer::Pause()
{
}

long CDSPlayer::GetDuration()
{
    return 0;
}

void CDSPlayer::SetPositions(long)
{
}
