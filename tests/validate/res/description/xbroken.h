#ifndef XBROKEN_H__
#define XBROKEN_H__

enum
{
  XBROKEN_INPUT = 1000,
  XBROKEN_SCALE = 1001,

  XBROKEN_DUMMY_
};

#endif
