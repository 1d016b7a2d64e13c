10. 0. -100. 0. 21 6          dX, dZ, X0, Z0, nPos, nSpac
0. 0. 0. 0. 0. 2 0          XA, ZA, XB, ZB, XMN, keyArr, iDir
10. 20. 30. 40. 60. 80.          spacings (A to receiver)
